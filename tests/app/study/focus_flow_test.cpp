// The focus logic driven by sequences of arrivals, against a window of
// numbered controls that logs the handlers run and the focus given.
#include "app/study/focus_flow.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

using robustez::FocusCause;
using robustez::FocusFlow;

namespace {

enum Control { Count = 1, Accept, Condition, Grid, Tabs, Method };

struct FakeWindow {
    std::vector<std::string> log;
    std::set<int> hidden;
    int focus = FocusFlow::kNone;
    std::map<int, std::function<void()>> onLeave;
    std::map<int, std::function<void()>> onEnter;
    FocusFlow flow{{
        [this](int c) {
            log.push_back("leave " + std::to_string(c));
            if (onLeave.contains(c)) {
                onLeave[c]();
            }
        },
        [this](int c) {
            log.push_back("enter " + std::to_string(c));
            if (onEnter.contains(c)) {
                onEnter[c]();
            }
        },
        [this](int c) {
            if (hidden.contains(c)) {
                return false;
            }
            focus = c;
            return true;
        },
        [this] { return focus; },
    }};

    // The toolkit moves the focus, then the queued arrivals are handled.
    void arrive(int control, FocusCause cause) {
        focus = control;
        flow.arrived(control, cause);
        flow.settle();
    }
};

} // namespace

TEST(FocusFlow, OnlyTheUsersMovesLeaveAControl) {
    FakeWindow w;
    w.flow.start(Grid);
    w.focus = Grid;

    // The window manager, a dialog closing or the toolkit's own choice after
    // a restore put the focus in the count edit: it goes back to the grid,
    // and neither the grid's check nor the count's runs.
    w.arrive(Count, FocusCause::Window);
    EXPECT_TRUE(w.log.empty());
    EXPECT_EQ(w.focus, Grid);
    EXPECT_EQ(w.flow.current(), Grid);

    // A click on the condition edit is a move: leave, then enter.
    w.arrive(Condition, FocusCause::Chosen);
    EXPECT_EQ(w.log, (std::vector<std::string>{"leave 4", "enter 3"}));
    EXPECT_EQ(w.flow.current(), Condition);

    // Back onto the control the user is in: nothing at all.
    w.log.clear();
    w.arrive(Condition, FocusCause::Window);
    w.arrive(Condition, FocusCause::Tab);
    EXPECT_TRUE(w.log.empty());
}

TEST(FocusFlow, OutOfSightTheFocusStaysWhereItArrivedWithoutHandlers) {
    FakeWindow w;
    w.flow.start(Grid);
    // The other page is shown: the grid cannot take the focus back.
    w.hidden.insert(Grid);
    w.arrive(Method, FocusCause::Window);
    EXPECT_TRUE(w.log.empty());
    EXPECT_EQ(w.focus, Method);
    EXPECT_EQ(w.flow.current(), Method);
    // Leaving that control later leaves it, not the grid.
    w.arrive(Tabs, FocusCause::Chosen);
    EXPECT_EQ(w.log, (std::vector<std::string>{"leave 6", "enter 5"}));
}

TEST(FocusFlow, HandlerMovesNestAndReplaceTheUsersMove) {
    FakeWindow w;
    w.flow.start(Count);
    // The count is wrong: its leave handler keeps the focus there.
    w.onLeave[Count] = [&] { w.flow.moveTo(Count); };
    w.arrive(Condition, FocusCause::Chosen);
    EXPECT_EQ(w.log, (std::vector<std::string>{"leave 1"}));
    EXPECT_EQ(w.focus, Count);
    EXPECT_EQ(w.flow.current(), Count);

    // A good count: the fixed path sends the focus to the accept button,
    // whatever the user aimed at; the button's own leave handler does not
    // run for that nested move, since the button was never left.
    w.log.clear();
    w.onLeave[Count] = [&] { w.flow.moveTo(Accept); };
    w.arrive(Grid, FocusCause::Tab);
    EXPECT_EQ(w.log, (std::vector<std::string>{"leave 1", "enter 2"}));
    EXPECT_EQ(w.focus, Accept);

    // The grid's check sends the focus back into the grid while the grid is
    // being left: it stays current and is not left a second time.
    w.log.clear();
    w.flow.place(Grid);
    w.onLeave[Grid] = [&] { w.flow.moveTo(Grid); };
    w.arrive(Condition, FocusCause::Chosen);
    EXPECT_EQ(w.log, (std::vector<std::string>{"leave 4"}));
    EXPECT_EQ(w.focus, Grid);

    // A handler cannot send the focus to a control out of sight.
    w.log.clear();
    w.hidden.insert(Count);
    w.onLeave[Grid] = [&] { w.flow.moveTo(Count); };
    w.arrive(Condition, FocusCause::Chosen);
    EXPECT_EQ(w.log, (std::vector<std::string>{"leave 4", "enter 3"}));
    EXPECT_EQ(w.focus, Condition);
}

TEST(FocusFlow, StaleArrivalsAndClicksAfterAHandlerMove) {
    FakeWindow w;
    w.flow.start(Count);
    w.focus = Count;
    w.onLeave[Count] = [&] { w.flow.moveTo(Count); };
    // Two arrivals queued before anything is handled: the first runs the
    // count's check, which takes the focus back; the second is stale.
    w.focus = Accept;
    w.flow.arrived(Accept, FocusCause::Chosen);
    w.flow.arrived(Condition, FocusCause::Chosen);
    w.flow.settle();
    EXPECT_EQ(w.log, (std::vector<std::string>{"leave 1"}));
    EXPECT_EQ(w.focus, Count);

    // A press on the button whose leave check takes the focus back: no click.
    w.focus = Accept;
    w.flow.arrived(Accept, FocusCause::Chosen);
    EXPECT_FALSE(w.flow.settleBeforeClick(Accept));
    // With a good count the click goes through once the button is reached.
    w.onLeave[Count] = [] {};
    w.focus = Accept;
    w.flow.arrived(Accept, FocusCause::Chosen);
    EXPECT_TRUE(w.flow.settleBeforeClick(Accept));
    EXPECT_EQ(w.flow.current(), Accept);

    // Once stopped, nothing runs.
    w.log.clear();
    w.flow.stop();
    w.arrive(Grid, FocusCause::Chosen);
    EXPECT_TRUE(w.log.empty());
}

TEST(FocusFlow, TheFixedPathSteersTabAndHandlerMovesButNotTheUsersChoice) {
    using Log = std::vector<std::string>;
    enum class Start { Arrival, HandlerMove };
    struct Case {
        const char* what;
        int from;
        int to;
        FocusCause cause; // of an arrival; unused for a handler's move
        Start start;
        bool countValid;
        bool gridRefusesEntry; // its enter handler sends the focus on
        Log log;
        int focus;
    };
    const Case cases[] = {
        {"Tab from the count goes on to the button", Count, Accept, FocusCause::Tab, Start::Arrival,
         true, false, Log{"leave 1", "enter 2"}, Accept},
        {"Tab from the count aimed elsewhere still reaches the button", Count, Condition,
         FocusCause::Tab, Start::Arrival, true, false, Log{"leave 1", "enter 2"}, Accept},
        {"a click on the condition from the count stands", Count, Condition, FocusCause::Chosen,
         Start::Arrival, true, false, Log{"leave 1", "enter 3"}, Condition},
        {"a wrong count keeps the focus whatever the user chose", Count, Condition,
         FocusCause::Chosen, Start::Arrival, false, false, Log{"leave 1"}, Count},
        {"a click on the count from the button stands", Accept, Count, FocusCause::Chosen,
         Start::Arrival, true, false, Log{"leave 2", "enter 1"}, Count},
        {"Shift+Tab from the button is steered to the condition", Accept, Count, FocusCause::Tab,
         Start::Arrival, true, false, Log{"leave 2", "enter 3"}, Condition},
        {"a click or mnemonic on the count from the condition stands", Condition, Count,
         FocusCause::Chosen, Start::Arrival, true, false, Log{"leave 3", "enter 1"}, Count},
        {"a click on the button from the condition stands", Condition, Accept, FocusCause::Chosen,
         Start::Arrival, true, false, Log{"leave 3", "enter 2"}, Accept},
        {"Shift+Tab from the condition is steered to the grid", Condition, Accept, FocusCause::Tab,
         Start::Arrival, true, false, Log{"leave 3", "enter 4"}, Grid},
        {"Enter in the count: the handler's move goes along the path", Count, Accept,
         FocusCause::Window, Start::HandlerMove, true, false, Log{"leave 1", "enter 2"}, Accept},
        {"a handler's move off the condition is steered to the grid", Condition, Count,
         FocusCause::Window, Start::HandlerMove, true, false, Log{"leave 3", "enter 4"}, Grid},
        // The grid refuses the user's click (the count is not accepted) and
        // sends the focus to the count: a message's move is made whatever
        // the user chose.
        {"the grid's refusal moves the focus although the user chose the grid", Count, Grid,
         FocusCause::Chosen, Start::Arrival, true, true,
         Log{"leave 1", "enter 4", "leave 4", "enter 1"}, Count},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FakeWindow w;
        w.flow.start(c.from);
        w.focus = c.from;
        w.onLeave[Count] = [&w, &c] {
            if (c.countValid) {
                w.flow.moveOnPath(Accept);
            } else {
                w.flow.moveTo(Count); // the message, and the count to mend
            }
        };
        w.onLeave[Accept] = [&w] { w.flow.moveOnPath(Condition); };
        w.onLeave[Condition] = [&w] { w.flow.moveOnPath(Grid); };
        if (c.gridRefusesEntry) {
            w.onEnter[Grid] = [&w] { w.flow.moveTo(Count); };
        }
        if (c.start == Start::Arrival) {
            w.arrive(c.to, c.cause);
        } else {
            w.flow.moveTo(c.to);
        }
        EXPECT_EQ(w.log, c.log);
        EXPECT_EQ(w.focus, c.focus);
        EXPECT_EQ(w.flow.current(), c.focus);
    }
}

TEST(FocusFlow, AHandlersMoveWithinTheUsersChoiceIsSteered) {
    // The user clicks the count from the condition; the count's enter
    // handler sends the focus on to the grid, and the count's leave handler
    // steps along the path to the button instead: the handler's move is the
    // program's, not the user's choice.
    FakeWindow w;
    w.flow.start(Condition);
    w.focus = Condition;
    w.onLeave[Count] = [&w] { w.flow.moveOnPath(Accept); };
    w.onLeave[Condition] = [&w] { w.flow.moveOnPath(Grid); };
    w.onEnter[Count] = [&w] { w.flow.moveTo(Grid); };
    w.arrive(Count, FocusCause::Chosen);
    EXPECT_EQ(w.log, (std::vector<std::string>{"leave 3", "enter 1", "leave 1", "enter 2"}));
    EXPECT_EQ(w.focus, Accept);
}
