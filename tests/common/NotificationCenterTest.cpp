#include "common/NotificationCenter.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace orva {
namespace {

// Records what it hears in a journal shared by the receivers of one test.
class Receiver : public NotificationReceiver {
public:
    Receiver(std::string name, std::vector<std::string>& journal) : name_(std::move(name)), journal_(journal) {}
    void Notify(const std::string& topic) override {
        journal_.push_back(name_ + ":" + topic);
        if (onNotify) onNotify();
    }
    std::function<void()> onNotify;

private:
    std::string name_;
    std::vector<std::string>& journal_;
};

TEST(NotificationCenter, NotifiesInSubscriptionOrderAndTwiceWhenSubscribedTwice) {
    NotificationCenter center;
    std::vector<std::string> journal;
    Receiver a("a", journal), b("b", journal);
    center.Subscribe(&a, kTopicSolverChanged);
    center.Subscribe(&b, kTopicSolverChanged);
    center.Subscribe(&a, kTopicSolverChanged);
    center.Subscribe(&b, kTopicInstrumentChanged);
    center.Publish(kTopicSolverChanged);
    center.Publish("NobodyListens");
    EXPECT_EQ(journal, (std::vector<std::string>{"a:SolverChanged", "b:SolverChanged", "a:SolverChanged"}));
}

TEST(NotificationCenter, UnsubscribeRemovesEveryOccurrenceOnEveryTopic) {
    NotificationCenter center;
    std::vector<std::string> journal;
    Receiver a("a", journal), b("b", journal);
    center.Subscribe(&a, kTopicResolutionChanged);
    center.Subscribe(&a, kTopicResolutionChanged);
    center.Subscribe(&a, kTopicInstrumentChanged);
    center.Subscribe(&b, kTopicInstrumentChanged);
    center.Unsubscribe(&a);
    center.Publish(kTopicResolutionChanged);
    center.Publish(kTopicInstrumentChanged);
    EXPECT_EQ(journal, (std::vector<std::string>{"b:InstrumentChanged"}));
}

TEST(NotificationCenter, PublishNotifiesTheWholeListEvenWhenReceiversUnsubscribeMeanwhile) {
    NotificationCenter center;
    std::vector<std::string> journal;
    Receiver a("a", journal), b("b", journal), c("c", journal);
    a.onNotify = [&] {
        center.Unsubscribe(&a);
        center.Unsubscribe(&b);
        center.Subscribe(&c, kTopicResolutionChanged);  // joins only the next publish
    };
    for (Receiver* r : {&a, &b, &c}) center.Subscribe(r, kTopicResolutionChanged);
    center.Publish(kTopicResolutionChanged);
    EXPECT_EQ(journal, (std::vector<std::string>{"a:ResolutionChanged", "b:ResolutionChanged", "c:ResolutionChanged"}));

    journal.clear();
    center.Publish(kTopicResolutionChanged);
    EXPECT_EQ(journal, (std::vector<std::string>{"c:ResolutionChanged", "c:ResolutionChanged"}));
}

}  // namespace
}  // namespace orva
