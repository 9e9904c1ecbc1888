#include "platform/message_pump.h"

#include <gtest/gtest.h>

namespace tsuzuri::platform {
namespace {

class MessagePumpTest : public ::testing::Test {
 protected:
  std::unique_ptr<Platform> host = createHeadlessPlatform({.virtualClock = true});
  MessagePump pump{host->events(), host->clock()};
};

TEST_F(MessagePumpTest, QuitEndsThePumpAndKeepsItsCode) {
  EXPECT_TRUE(pump.pumpOne());  // nothing waiting
  host->events().postQuit(7);
  EXPECT_FALSE(pump.pumpOne());
  EXPECT_TRUE(pump.quitSeen());
  EXPECT_EQ(pump.record().code, kMessageQuit);
  EXPECT_EQ(pump.record().wparam, 7U);
}

class ClosingEvents final : public Events {
 public:
  bool fetch(MessageRecord& record) override {
    if (queue_.empty()) return false;
    record = queue_.front();
    queue_.erase(queue_.begin());
    return true;
  }
  void postQuit(std::uint32_t code) override {
    queue_.push_back({kMessageQuit, code, 0, 0, 0, 0, {}});
  }
  void post(MessageRecord message) override { queue_.push_back(std::move(message)); }
  void close() { post({kMessageClose, 0, 0, 0, 0, 0, {}}); }

 private:
  std::vector<MessageRecord> queue_;
};

TEST_F(MessagePumpTest, CloseBecomesQuitUnlessWindowLogicTakesIt) {
  ClosingEvents events;
  MessagePump closing(events, host->clock());
  events.close();
  EXPECT_TRUE(closing.pumpOne());
  EXPECT_FALSE(closing.pumpOne());
  EXPECT_EQ(closing.record().wparam, 0U);

  int taken = 0;
  MessagePump guarded(events, host->clock());
  guarded.setDispatcher(
      [&taken](const MessageRecord& m) { return m.code == kMessageClose && ++taken; });
  events.close();
  EXPECT_TRUE(guarded.pumpOne());
  EXPECT_TRUE(guarded.pumpOne());
  EXPECT_FALSE(guarded.quitSeen());
  EXPECT_EQ(taken, 1);
}

TEST_F(MessagePumpTest, DeadlineActsAsQuitOnceTheClockPassesIt) {
  pump.setDeadline(100);
  host->clock().sleep(99);
  EXPECT_TRUE(pump.pumpOne());
  host->clock().sleep(1);
  EXPECT_FALSE(pump.pumpOne());
  EXPECT_EQ(pump.record().code, kMessageQuit);
  EXPECT_EQ(pump.record().wparam, 0U);
}

}  // namespace
}  // namespace tsuzuri::platform
