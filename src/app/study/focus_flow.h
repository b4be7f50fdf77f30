#pragma once

#include <deque>
#include <functional>
#include <set>

namespace robustez {

// Who moved the keyboard focus onto a control.
enum class FocusCause {
    // The user chose the control: a click on it, or its mnemonic. The
    // control left runs its leave handler, and the choice stands against
    // the window's fixed path.
    Chosen,
    // The user pressed Tab or Shift+Tab: the next control in the window's
    // order. The control left runs its leave handler, and the window's fixed
    // path may steer the move elsewhere.
    Tab,
    // Anything else: the window activated again, a dialog, menu or other
    // window closing, the window manager, or the toolkit's own choice while
    // the window is hidden and shown. Nobody left anything: the focus goes
    // back to the control the user was in.
    Window,
};

// The focus logic of a window whose controls have leave and enter handlers
// that may show messages and move the focus themselves. Controls are
// numbers chosen by the window; the window reports the focus arrivals the
// toolkit makes and carries out the moves this class asks for.
//
// - Arrivals are queued as they happen and handled by settle(), once the
//   toolkit has finished moving the focus.
// - A move by the user from one control to another runs the leave handler
//   of the control left, then the enter handler of the control reached.
// - A leave handler steps along the window's fixed path with moveOnPath():
//   the step is taken when the control is left by Tab or by a handler's
//   move (Enter), and not when the user chose the control reached (a click,
//   a mnemonic): that choice stands.
// - An arrival by any other cause runs no handler: the focus goes back to
//   the control the user was in, or, when that control is out of sight,
//   stays where it arrived without running any handler.
// - Handlers move the focus with moveTo(); such moves run the handlers of
//   the controls they leave and reach, and nest. While a control's leave
//   handler runs it stays the current control, so a move back to it
//   changes nothing and it is never left twice at once.
// - An arrival queued before a handler moved the focus elsewhere is stale
//   and dropped, unless the focus is still on its control.
class FocusFlow {
public:
    using Control = int;
    static constexpr Control kNone = -1;

    struct Actions {
        std::function<void(Control)> leave; // runs the control's leave handler
        std::function<void(Control)> enter; // runs the control's enter handler
        // Gives the control the keyboard focus, with no text selected; false
        // when the control is out of sight and cannot take it.
        std::function<bool(Control)> focus;
        // The control that has the keyboard focus now, or kNone.
        std::function<Control()> focused;
    };

    explicit FocusFlow(Actions actions);

    // The window's first focus: the control the user starts in, no handler run.
    void start(Control control);
    bool started() const { return started_; }
    // The window closed: nothing is handled any more.
    void stop();

    // The toolkit moved the focus onto the control.
    void arrived(Control control, FocusCause cause);
    // Handles the arrivals queued so far, in order.
    void settle();
    // The same before a click on `clicked` acts. False when a leave handler
    // took the focus away from the clicked control again: the click is
    // dropped, as when press and release come apart.
    bool settleBeforeClick(Control clicked);

    // A handler sends the focus to the control. Nothing happens when the
    // control cannot take the focus.
    void moveTo(Control control);
    // A leave handler's step along the fixed path: moveTo() unless the
    // control is being left for a control the user chose.
    void moveOnPath(Control control);
    // Puts the focus on the control as the current one without running any
    // handler (a handler's last word after nested moves).
    void place(Control control);

    // The control the user is in: the one whose leave handler runs next.
    Control current() const { return current_; }
    // The target of the latest move.
    Control lastTarget() const { return lastTarget_; }

private:
    struct Arrival {
        Control control;
        FocusCause cause;
        int stamp; // handler moves made before it
    };

    void handle(const Arrival& arrival);
    void transition(Control control);

    Actions actions_;
    std::deque<Arrival> pending_;
    std::set<Control> leaving_;
    Control current_ = kNone;
    Control lastTarget_ = kNone;
    int handlerMoves_ = 0;
    bool userChose_ = false; // the move under way goes where the user chose
    bool started_ = false;
    bool stopped_ = false;
};

} // namespace robustez
