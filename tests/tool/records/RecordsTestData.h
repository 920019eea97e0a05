#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "records/RecordsStore.h"

// Runs for the records tests, and the suite of questions every store must answer alike
// (RecordsQueryTest), which each store's test binary instantiates with its own maker.

// A fresh, empty store.
using StoreMaker = std::function<std::unique_ptr<IRecordsStore>()>;

struct StoreKind {
  const char* name;
  StoreMaker make;
};

// The base time of the test runs: 2026-05-20T08:00:00.000Z.
std::chrono::system_clock::time_point TestTime(int minutes, int ms = 0);

ServoRecord Ok(int id, int sent, std::optional<int> before = std::nullopt);
ServoRecord Failed(int id, int sent);
ServoRecord NoReply(int id, int sent);

// A run whose station names it (label), minutes after the base time.
RunRecord TestRun(const std::string& label, RunKind kind, RobotIdentity robot, int minutes,
                  std::vector<ServoRecord> servos);

HistoryQuery Query(std::string serial, std::string mac = "",
                   std::optional<std::chrono::system_clock::time_point> since = std::nullopt, int limit = 0);

// The labels (stations) of runs, in order.
std::vector<std::string> Labels(const std::vector<RunRecord>& runs);

// The questions of the records, asked of every store (RecordsQueryTest.cpp; each store's binary
// instantiates the suite with its maker).
class RecordsQueryTest : public testing::TestWithParam<StoreKind> {
 protected:
  void SetUp() override {
    m_store = GetParam().make();
    if (!IsSkipped()) {
      ASSERT_NE(m_store, nullptr);
    }
  }

  // Appends runs and waits until the store holds them where it reads from.
  void Record(const std::vector<RunRecord>& runs) {
    for (const RunRecord& run : runs) {
      std::string error;
      ASSERT_TRUE(m_store->Append(run, &error)) << error;
    }
    ASSERT_TRUE(m_store->Flush(std::chrono::seconds(20))) << m_store->Spool().lastError;
  }

  std::vector<RunRecord> History(const HistoryQuery& query = {}) {
    std::vector<RunRecord> runs;
    std::string error;
    EXPECT_TRUE(m_store->History(query, &runs, &error)) << error;
    return runs;
  }

  std::unique_ptr<IRecordsStore> m_store;
};

