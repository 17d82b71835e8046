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
    EXPECT_THROW(b->SetName(AnsiString("A")), EInvalidOperation);
    EXPECT_EQ(b->Name(), AnsiString("B"));
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
