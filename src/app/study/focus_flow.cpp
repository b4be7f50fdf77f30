#include "app/study/focus_flow.h"

#include <utility>

namespace robustez {

FocusFlow::FocusFlow(Actions actions) : actions_(std::move(actions)) {}

void FocusFlow::start(Control control) {
    started_ = true;
    current_ = control;
    lastTarget_ = control;
}

void FocusFlow::stop() {
    stopped_ = true;
    pending_.clear();
}

void FocusFlow::arrived(Control control, FocusCause cause) {
    if (!started_ || stopped_) {
        return;
    }
    pending_.push_back({control, cause, handlerMoves_});
}

void FocusFlow::settle() {
    while (!pending_.empty() && !stopped_) {
        const Arrival arrival = pending_.front();
        pending_.pop_front();
        // A handler has sent the focus elsewhere since this arrival.
        if (arrival.stamp != handlerMoves_ && arrival.control != actions_.focused()) {
            continue;
        }
        handle(arrival);
    }
}

bool FocusFlow::settleBeforeClick(Control clicked) {
    bool pressMovedFocus = false;
    for (const Arrival& arrival : pending_) {
        pressMovedFocus = pressMovedFocus || arrival.control == clicked;
    }
    settle();
    return !pressMovedFocus || actions_.focused() == clicked;
}

void FocusFlow::handle(const Arrival& arrival) {
    if (arrival.control == current_) {
        return;
    }
    if (arrival.cause != FocusCause::Window && arrival.control != kNone) {
        const bool outer = std::exchange(userChose_, arrival.cause == FocusCause::Chosen);
        transition(arrival.control);
        userChose_ = outer;
        return;
    }
    // Nobody left the control the user was in: it takes the focus back. Out
    // of sight (its page is not shown), the focus stays where it arrived,
    // and that control is where the user now is, with no handler run.
    if (current_ != kNone && actions_.focus(current_)) {
        return;
    }
    if (arrival.control != kNone) {
        current_ = arrival.control;
        lastTarget_ = arrival.control;
    }
}

void FocusFlow::transition(Control control) {
    lastTarget_ = control;
    if (control == current_) {
        return;
    }
    const Control previous = current_;
    if (previous != kNone && !leaving_.contains(previous)) {
        leaving_.insert(previous);
        actions_.leave(previous);
        leaving_.erase(previous);
        if (stopped_ || lastTarget_ != control || current_ == control) {
            return; // the leave handler sent the focus elsewhere
        }
    }
    current_ = control;
    actions_.enter(control);
}

void FocusFlow::moveTo(Control control) {
    if (stopped_ || !actions_.focus(control)) {
        return;
    }
    ++handlerMoves_;
    // The handler's move is the program's: the leave handlers it runs may
    // steer it along the path.
    const bool userChose = std::exchange(userChose_, false);
    transition(control);
    userChose_ = userChose;
}

void FocusFlow::moveOnPath(Control control) {
    if (!userChose_) {
        moveTo(control);
    }
}

void FocusFlow::place(Control control) {
    if (stopped_ || !actions_.focus(control)) {
        return;
    }
    ++handlerMoves_;
    current_ = control;
    lastTarget_ = control;
}

} // namespace robustez
