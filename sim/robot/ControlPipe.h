#pragma once

#include <poll.h>

#include <string>
#include <vector>

// The simulator's control pipe: a named pipe (FIFO) to which a script writes lines while the
// simulator runs. The simulator holds it open for reading and writing, so it never reads an end
// when a writer closes it, and reads it without blocking from its poll loop.
class ControlPipe {
 public:
  ControlPipe() = default;
  ~ControlPipe();
  ControlPipe(const ControlPipe&) = delete;
  ControlPipe& operator=(const ControlPipe&) = delete;

  // Makes the FIFO at path when nothing is there and opens it. False with *error set when that
  // fails or path is something else than a FIFO.
  bool Open(const std::string& path, std::string* error);

  // Adds the pipe to watch (nothing before Open).
  void AddPollFds(std::vector<pollfd>* fds) const;

  // The lines completed by what poll reported readable in fds, without their line ends. A line
  // longer than kMaxLine is dropped.
  std::vector<std::string> ReadLines(const std::vector<pollfd>& fds);

  static constexpr std::size_t kMaxLine = 4096;

 private:
  int m_fd = -1;
  std::string m_partial;  // the start of a line whose end has not come yet
  bool m_dropping = false;  // inside a line that grew past kMaxLine
};
