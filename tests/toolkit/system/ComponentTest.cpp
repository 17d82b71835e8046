// Ownership: owners destroy what they own, newest first; siblings hear of removals.
#include "toolkit/system/Classes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> gLog;

class TProbe : public TComponent {
public:
    TProbe(TComponent* owner, const char* name) : TComponent(owner) { SetName(AnsiString(name)); }
    ~TProbe() override { gLog.push_back("~" + Name().str()); }
    void Notification(TComponent* c, TOperation op) override
    {
        TComponent::Notification(c, op);
        if (op == opRemove && c != this) gLog.push_back(Name().str() + " hears " + c->Name().str());
    }
};

TEST(Component, OwnerDestroysOwnedNewestFirstWithoutNotifying)
{
    gLog.clear();
    {
        TComponent owner(nullptr);
        new TProbe(&owner, "A");
        new TProbe(&owner, "B");
        EXPECT_EQ(owner.ComponentCount(), 2);
        EXPECT_EQ(owner.FindComponent(AnsiString("B"))->Name(), AnsiString("B"));
        EXPECT_EQ(owner.FindComponent(AnsiString("C")), nullptr);
    }
    EXPECT_EQ(gLog, (std::vector<std::string>{"~B", "~A"}));
}

TEST(Component, FreeingOneTellsItsSiblings)
{
    gLog.clear();
    TComponent owner(nullptr);
    auto* a = new TProbe(&owner, "A");
    new TProbe(&owner, "B");
    delete a;
    EXPECT_EQ(owner.ComponentCount(), 1);
    ASSERT_FALSE(gLog.empty());
    EXPECT_EQ(gLog.back(), "B hears A");
}

TEST(Component, NamesAreUniqueAmongSiblings)
{
    TComponent owner(nullptr);
    new TProbe(&owner, "A");
    auto* b = new TProbe(&owner, "B");
    EXPECT_THROW(b->SetName(AnsiString("A")), EComponentError);
    EXPECT_EQ(b->Name(), AnsiString("B"));
}

TEST(Component, NamesMustBeIdentifiers)
{
    TComponent owner(nullptr);
    auto* a = new TProbe(&owner, "A");
    for (const char* bad : {"x y", "1st", "a.b", "a-b", "'q'", "\x90\xD4"}) {
        EXPECT_THROW(a->SetName(AnsiString(bad)), EComponentError) << bad;
        EXPECT_EQ(a->Name(), AnsiString("A"));
    }
    for (const char* good : {"_x", "Label1", "x_2", ""}) {
        EXPECT_NO_THROW(a->SetName(AnsiString(good))) << good;
        EXPECT_EQ(a->Name(), AnsiString(good));
    }
}

// Removes a sibling while it hears of an insertion: the sibling must not be notified afterwards.
class TRemover : public TComponent {
public:
    TRemover(TComponent* owner, const char* name) : TComponent(owner) { SetName(AnsiString(name)); }
    TComponent* victim = nullptr;
    int heard = 0;
    void Notification(TComponent* c, TOperation op) override
    {
        TComponent::Notification(c, op);
        if (op != opInsert) return;
        ++heard;
        if (victim) {
            TComponent* v = victim;
            victim = nullptr;
            delete v;
        }
    }
};

TEST(Component, ASiblingDestroyedDuringNotificationIsNotNotified)
{
    TComponent owner(nullptr);
    auto* first = new TRemover(&owner, "First");
    auto* second = new TRemover(&owner, "Second");
    auto* third = new TRemover(&owner, "Third");
    // Notified newest first: Third removes First before First's turn.
    third->victim = first;
    second->heard = third->heard = 0;
    auto* fourth = new TRemover(&owner, "Fourth");  // hears nothing while it is being made
    EXPECT_EQ(owner.ComponentCount(), 3);
    EXPECT_EQ(second->heard, 1);
    EXPECT_EQ(third->heard, 1);
    // Later insertions notify every remaining sibling once.
    new TRemover(&owner, "Fifth");
    EXPECT_EQ(second->heard, 2);
    EXPECT_EQ(third->heard, 2);
    EXPECT_EQ(fourth->heard, 1);
}

TEST(List, RemoveTakesTheFirstEntryOnly)
{
    TList list;
    int x = 0, y = 0;
    list.Add(&x);
    list.Add(&y);
    list.Add(&x);
    EXPECT_EQ(list.Remove(&x), 0);
    EXPECT_EQ(list.Count(), 2);
    EXPECT_EQ(list.IndexOf(&x), 1);
    EXPECT_EQ(list.Remove(&list), -1);
    EXPECT_THROW(list.Items(5), EListError);
}

}  // namespace
