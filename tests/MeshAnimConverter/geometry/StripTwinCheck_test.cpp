// The twin check's rules, one case per way a twin can differ, and the marks
// of one trial not leaking into the next.
#include "MeshAnimConverter/geometry/StripTwinCheck.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// One event of a first strip: a read, a take (triangle, new corner, corner
// already on the strip) or a stop on the strip's own vertices; `second`
// marks the events of the second walk.
struct Event {
    bool second;
    char kind;  // 'r' read, 't' took, 's' stopped on own vertices
    int tri;
    int corner;
    bool onStrip;
};

struct Case {
    std::string name;
    std::vector<Event> events;
    bool holds;
};

bool RunFirstStrip(StripTwinCheck& check, const std::vector<Event>& events) {
    check.BeginFirstWalk();
    bool second = false;
    for (const Event& e : events) {
        if (e.second && !second) {
            check.BeginSecondWalk();
            second = true;
        }
        if (e.kind == 'r') {
            check.Read(e.tri);
        } else if (e.kind == 't') {
            check.Took(e.tri, e.corner, e.onStrip);
        } else {
            check.StoppedOnOwnVertices();
        }
    }
    check.End();
    return check.Holds();
}

}  // namespace

TEST(StripTwinCheck, EachWayATwinDiffers) {
    const Case cases[] = {
        {"walks apart",
         {{false, 'r', 1, 0, false},
          {false, 't', 1, 5, false},
          {true, 'r', 2, 0, false},
          {true, 't', 2, 6, false}},
         true},
        {"no walk at all", {}, true},
        {"second reads a taken one",
         {{false, 'r', 1, 0, false}, {false, 't', 1, 5, false}, {true, 'r', 1, 0, false}},
         false},
        {"second takes a read one",
         {{false, 'r', 3, 0, false}, {true, 'r', 3, 0, false}, {true, 't', 3, 6, false}},
         false},
        {"second adds a first corner",
         {{false, 't', 1, 5, false}, {true, 't', 2, 5, false}},
         false},
        {"first closes on its corners", {{false, 't', 1, 5, true}}, false},
        {"second stops on its corners",
         {{false, 't', 1, 5, false}, {true, 's', 0, 0, false}},
         false},
        {"corner missing", {{false, 't', 1, -1, false}}, false},
        {"first reads, second only reads",
         {{false, 'r', 4, 0, false}, {true, 'r', 4, 0, false}},
         true},
        {"second reads its own", {{true, 't', 2, 6, false}, {true, 'r', 2, 0, false}}, true},
    };
    StripTwinCheck check;
    check.Resize(8, 8);
    for (const Case& c : cases) EXPECT_EQ(RunFirstStrip(check, c.events), c.holds) << c.name;
}

// A trial's marks mean nothing to the next: a triangle taken by the first walk
// of one trial may be read by the second walk of the next.
TEST(StripTwinCheck, MarksBelongToOneTrial) {
    StripTwinCheck check;
    check.Resize(4, 4);
    EXPECT_TRUE(RunFirstStrip(check, {{false, 't', 1, 2, false}, {false, 'r', 3, 0, false}}));
    EXPECT_TRUE(RunFirstStrip(check, {{true, 'r', 1, 0, false}, {true, 't', 3, 2, false}}));
    EXPECT_FALSE(check.Active());
}
