// The discovery object before it is started: nothing here opens a socket.
#include <gtest/gtest.h>

#include "ZAVServoSocket.h"

namespace {

TEST(CZAVBroadcastSocketImplTest, AnObjectNotStartedSendsNothingAndReleasesCleanly) {
  EXPECT_FALSE(CreateZAVBroadcastSocket(nullptr));
  CIZAVBroadcastSocket* discovery = nullptr;
  ASSERT_TRUE(CreateZAVBroadcastSocket(&discovery));
  EXPECT_EQ(discovery->SearchDevice(), -1);
  EXPECT_FALSE(discovery->SendData("x", 1));
  EXPECT_EQ(discovery->GetDevList(), nullptr);
  discovery->ClearDevList();
  // cmd 1 takes the text and frees it even when nothing could be sent; any other cmd leaves it
  // to the caller.
  EXPECT_TRUE(discovery->SendCmd(1, new std::string("1")));
  EXPECT_TRUE(discovery->SendCmd(1, nullptr));
  std::string text = "1";
  EXPECT_FALSE(discovery->SendCmd(2, &text));
  EXPECT_FALSE(discovery->SendCmd(0, &text));
  EXPECT_EQ(text, "1");
  EXPECT_TRUE(discovery->Release());
}

}  // namespace
