#include "capture/common/StateStack.h"

using namespace state_names;

StateStack::StateStack(const _state_t& start)
{
    stack_.push_back(start);
    call(stack_.back(), kInit);
}

StateStack::~StateStack()
{
    while (!stack_.empty())
        pop();
}

StateStack::Callback& StateStack::on(int32_t state, int32_t trigger)
{
    return callbacks_[{state, trigger}];
}

bool StateStack::call(_state_t& from, const _state_t& trigger)
{
    auto it = callbacks_.find({from.name, trigger.name});
    if (it == callbacks_.end())
        return false;
    history_.push_back(_transition_t{from, trigger_, trigger});
    if (history_.size() > kHistoryLimit)
        history_.pop_front();
    // A copy: the callback may replace its own slot while it runs.
    Callback callback = it->second;
    if (callback)
        callback(trigger.args);
    return true;
}

void StateStack::push(const _state_t& s)
{
    if (!stack_.empty()) {
        if (stack_.back().name == s.name)
            return;
        call(stack_.back(), kPush);
    }
    stack_.push_back(s);
    call(stack_.back(), kInit);
}

void StateStack::pop()
{
    if (!stack_.empty()) {
        call(stack_.back(), kQuit);
        stack_.pop_back();
    }
    if (!stack_.empty())
        call(stack_.back(), kBack);
}

void StateStack::replace(_state_t& current, const _state_t& next)
{
    call(current, kQuit);
    current.name = next.name;
    current.args = next.args;
    call(current, kInit);
}

void StateStack::set(const _state_t& s)
{
    if (stack_.empty()) {
        push(s);
        return;
    }
    replace(stack_.back(), s);
}

_state_t StateStack::get_state(int pos) const
{
    const int size = static_cast<int>(stack_.size());
    if (size == 0)
        return _state_t();
    if (pos >= 0)
        return stack_[static_cast<std::size_t>(pos % size)];
    return stack_[static_cast<std::size_t>(size - 1 + ((pos + 1) % size))];
}

int StateStack::topmostIndexOf(int32_t name) const
{
    for (int i = static_cast<int>(stack_.size()) - 1; i >= 0; --i) {
        if (stack_[static_cast<std::size_t>(i)].name == name)
            return i;
    }
    return -1;
}

bool StateStack::command(const _state_t& trigger)
{
    if (stack_.empty())
        return false;
    trigger_ = _state_t();
    // Walk from the top down by index: a callback may change the stack, so
    // positions are re-read on every step.
    std::vector<_state_t> passed;
    for (int i = static_cast<int>(stack_.size()) - 1; i >= 0; --i) {
        if (i >= static_cast<int>(stack_.size()))
            continue;
        if (!call(stack_[static_cast<std::size_t>(i)], trigger)) {
            passed.push_back(stack_[static_cast<std::size_t>(i)]);
            continue;
        }
        // The states passed over were above the handler: tell each 'quit'
        // and remove it, top first. A 'quit' callback may itself change the
        // stack, so a state is removed only while it is still where it was.
        for (const _state_t& state : passed) {
            const int at = topmostIndexOf(state.name);
            if (at < 0)
                continue;
            call(stack_[static_cast<std::size_t>(at)], kQuit);
            if (at < static_cast<int>(stack_.size()) && stack_[static_cast<std::size_t>(at)].name == state.name)
                stack_.erase(stack_.begin() + at);
        }
        trigger_ = trigger;
        return true;
    }
    return false;
}
