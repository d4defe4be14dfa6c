// Notification connections: broadcasts that survive handlers which
// unadvise, release, advise, throw or broadcast again.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "toolkit/common/notifyconnection.h"

namespace {

std::vector<std::string> g_calls;

// A connection that reports its deletion.
class TrackedConnection : public CTKNotifyConnection {
 public:
  explicit TrackedConnection(bool* deleted) : m_deleted(deleted) {}
  ~TrackedConnection() override { *m_deleted = true; }

 private:
  bool* m_deleted;
};

class Listener : public CTKNotifySinkBase {
 public:
  explicit Listener(std::string name) : m_name(std::move(name)) {}
  ~Listener() override { UnadviseAll(); }
  BOOL OnEvent(TK_NOTIFY_CODE code, WPARAM wParam, LPARAM, DWORD*) override {
    g_calls.push_back(m_name + ":" + std::to_string(code) + ":" + std::to_string(wParam));
    if (handler) handler();
    return TRUE;
  }
  std::function<void()> handler;

 private:
  std::string m_name;
};

class NotifyConnectionTest : public ::testing::Test {
 protected:
  void SetUp() override { g_calls.clear(); }
};

TEST_F(NotifyConnectionTest, BroadcastReachesListenersOfTheCodeInAdviseOrder) {
  auto* connection = new CTKNotifyConnection;
  Listener a("a"), b("b"), c("c");
  a.Advise(connection, 1);
  b.Advise(connection, 2);
  c.Advise(connection, 1);
  EXPECT_FALSE(connection->BroadcastEvent(7, 0, 0));  // nobody advised 7
  EXPECT_TRUE(g_calls.empty());
  EXPECT_TRUE(connection->BroadcastEvent(1, 42, 0));
  EXPECT_EQ(g_calls, (std::vector<std::string>{"a:1:42", "c:1:42"}));
  // Unknown cookies are ignored; FindConnection follows removals.
  connection->Unadvise(12345);
  EXPECT_EQ(connection->GetCount(), 3);
  a.UnadviseAll();
  b.UnadviseAll();
  c.UnadviseAll();
  EXPECT_EQ(connection->GetCount(), 0);
  connection->InternalRelease();
}

TEST_F(NotifyConnectionTest, HandlersUnadvisingDuringABroadcast) {
  auto* connection = new CTKNotifyConnection;
  Listener a("a"), b("b"), c("c"), self("self");
  a.Advise(connection, 1);
  self.Advise(connection, 1);
  b.Advise(connection, 1);
  c.Advise(connection, 1);
  a.handler = [&] { b.UnadviseAll(); };        // a later listener loses its call
  self.handler = [&] { self.UnadviseAll(); };  // unadvising itself: still called once
  EXPECT_TRUE(connection->BroadcastEvent(1, 0, 0));
  EXPECT_EQ(g_calls, (std::vector<std::string>{"a:1:0", "self:1:0", "c:1:0"}));
  g_calls.clear();
  a.handler = nullptr;
  connection->BroadcastEvent(1, 1, 0);
  EXPECT_EQ(g_calls, (std::vector<std::string>{"a:1:1", "c:1:1"}));
  a.UnadviseAll();
  c.UnadviseAll();
  connection->InternalRelease();
}

// A listener removed by an earlier handler of the same broadcast stays
// uncalled even when that handler advises a new listener at once (whose
// record may take the freed one's memory): cookies are never given twice.
TEST_F(NotifyConnectionTest, ARemovedListenerIsNotCalledThroughANewAdvice) {
  auto* connection = new CTKNotifyConnection;
  Listener a("a"), newcomer("new");
  auto* doomed = new Listener("doomed");
  a.Advise(connection, 1);
  doomed->Advise(connection, 1);
  a.handler = [&] {
    delete doomed;  // unadvises, freeing its record
    doomed = nullptr;
    newcomer.Advise(connection, 1);
  };
  EXPECT_TRUE(connection->BroadcastEvent(1, 0, 0));
  EXPECT_EQ(g_calls, (std::vector<std::string>{"a:1:0"}));
  a.handler = nullptr;

  // Cookies are unique across connections and over advise/unadvise cycles.
  auto* other = new CTKNotifyConnection;
  std::vector<TK_NOTIFY_COOKIE> seen;
  for (int i = 0; i < 64; ++i) {
    Listener l("l");
    TK_NOTIFY_COOKIE cookie = l.Advise(i % 2 ? connection : other, 5);
    EXPECT_NE(cookie, 0u);
    EXPECT_EQ(std::count(seen.begin(), seen.end(), cookie), 0) << "cookie given twice";
    seen.push_back(cookie);
  }
  Listener both("both");
  TK_NOTIFY_COOKIE c1 = both.Advise(connection, 9), c2 = both.Advise(other, 9);
  EXPECT_NE(c1, c2);
  EXPECT_EQ(both.GetAdviseCount(), 2);
  both.UnadviseAll();
  a.UnadviseAll();
  newcomer.UnadviseAll();
  other->InternalRelease();
  connection->InternalRelease();
}

TEST_F(NotifyConnectionTest, ReleasingTheLastReferenceInsideAHandlerIsSafe) {
  bool deleted = false;
  auto* connection = new TrackedConnection(&deleted);
  Listener a("a"), b("b"), later("later");
  a.Advise(connection, 1);
  b.Advise(connection, 1);
  later.Advise(connection, 1);
  a.handler = [&] {
    // Everyone lets go, the owner too: only the broadcast keeps it alive.
    a.UnadviseAll();
    b.UnadviseAll();
    later.UnadviseAll();
    connection->InternalRelease();
    EXPECT_FALSE(deleted);
  };
  EXPECT_TRUE(connection->BroadcastEvent(1, 0, 0));
  EXPECT_TRUE(deleted);  // deleted when the broadcast ended
  EXPECT_EQ(g_calls, (std::vector<std::string>{"a:1:0"}));
}

TEST_F(NotifyConnectionTest, NestedBroadcastsRunInnerListenersThenContinue) {
  auto* connection = new CTKNotifyConnection;
  Listener a("a"), b("b"), inner("inner"), added("added");
  a.Advise(connection, 1);
  b.Advise(connection, 1);
  inner.Advise(connection, 2);
  int depth = 0;
  a.handler = [&] {
    if (depth++ > 0) return;
    added.Advise(connection, 1);  // not called by the broadcast in progress
    connection->BroadcastEvent(2, 9, 0);
    connection->BroadcastEvent(1, 8, 0);  // same code again: its own frame
  };
  EXPECT_TRUE(connection->BroadcastEvent(1, 0, 0));
  EXPECT_EQ(g_calls, (std::vector<std::string>{"a:1:0", "inner:2:9", "a:1:8", "b:1:8", "added:1:8", "b:1:0"}));
  a.UnadviseAll();
  b.UnadviseAll();
  inner.UnadviseAll();
  added.UnadviseAll();
  connection->InternalRelease();
}

TEST_F(NotifyConnectionTest, AThrowingHandlerDoesNotStopTheOthers) {
  auto* connection = new CTKNotifyConnection;
  Listener a("a"), b("b");
  a.Advise(connection, 3);
  b.Advise(connection, 3);
  a.handler = [] { throw std::runtime_error("handler failed"); };
  EXPECT_TRUE(connection->BroadcastEvent(3, 0, 0));
  EXPECT_EQ(g_calls, (std::vector<std::string>{"a:3:0", "b:3:0"}));
  a.UnadviseAll();
  b.UnadviseAll();
  connection->InternalRelease();
}

struct Receiver {
  std::vector<std::string> got;
  void First(TK_NOTIFY_CODE code, WPARAM, LPARAM) { got.push_back("first:" + std::to_string(code)); }
  BOOL Second(TK_NOTIFY_CODE code, WPARAM, LPARAM) {
    got.push_back("second:" + std::to_string(code));
    return TRUE;
  }
};

int g_deletedDelegates = 0;
template <class R>
class CountedDelegate : public CTKNotifySinkClassDelegate<Receiver, R> {
 public:
  using CTKNotifySinkClassDelegate<Receiver, R>::CTKNotifySinkClassDelegate;
  ~CountedDelegate() override { ++g_deletedDelegates; }
};

TEST_F(NotifyConnectionTest, AdvisingTwiceKeepsTheSecondDelegateAndBothAdvices) {
  g_deletedDelegates = 0;
  bool deleted = false;
  auto* connection = new TrackedConnection(&deleted);
  Receiver receiver;
  auto* sink = new CTKNotifySink;
  sink->Advise(connection, 5, new CountedDelegate<void>(&receiver, &Receiver::First));
  sink->Advise(connection, 5, new CountedDelegate<BOOL>(&receiver, &Receiver::Second));
  EXPECT_EQ(g_deletedDelegates, 1);  // the first delegate went at once
  EXPECT_EQ(connection->GetCount(), 2);
  EXPECT_TRUE(connection->BroadcastEvent(5, 0, 0));
  EXPECT_EQ(receiver.got, (std::vector<std::string>{"second:5", "second:5"}));
  connection->InternalRelease();  // the sink's advices keep it alive
  EXPECT_FALSE(deleted);
  sink->Delete();
  EXPECT_EQ(g_deletedDelegates, 2);
  EXPECT_TRUE(deleted);
}

}  // namespace
