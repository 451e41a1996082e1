#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

// A stack of named states with callbacks per (state, trigger): the machine
// behind the cutter's tool and pointer modes, the image editor's tools, the
// wizard's steps and the mastery states. It knows nothing of widgets; every
// visible effect comes from the callbacks its owner registers.
//
// Owners build it with the start state kNull (nothing registered yet, so its
// 'init' runs nothing), register callbacks with on(), then set() their first
// real state; afterwards they switch with set() (or push()) and read the
// current state with get_state(-1).
//
// GUI thread only; no locks. Callbacks may call the machine's own operations;
// the operation that invoked the callback goes on with the stack as the
// callback left it.

// The reserved names: four letters packed into an int, most significant byte
// first.
namespace state_names {
constexpr int32_t fourCC(char a, char b, char c, char d)
{
    return static_cast<int32_t>((static_cast<uint32_t>(static_cast<unsigned char>(a)) << 24) |
                                (static_cast<uint32_t>(static_cast<unsigned char>(b)) << 16) |
                                (static_cast<uint32_t>(static_cast<unsigned char>(c)) << 8) |
                                static_cast<uint32_t>(static_cast<unsigned char>(d)));
}
// Fired on a state when it becomes the top (construction, push, set).
constexpr int32_t kInit = fourCC('i', 'n', 'i', 't');  // 0x696E6974
// Fired on a state just before it is removed or overwritten.
constexpr int32_t kQuit = fourCC('q', 'u', 'i', 't');  // 0x71756974
// Fired on the top just before another state is pushed over it.
constexpr int32_t kPush = fourCC('p', 'u', 's', 'h');  // 0x70757368
// Fired on the state that becomes the top again after a pop.
constexpr int32_t kBack = fourCC('b', 'a', 'c', 'k');  // 0x6261636B
// The default name: an empty stack's state, the trigger outside a command.
constexpr int32_t kNull = fourCC('n', 'u', 'l', 'l');  // 0x6E756C6C
}  // namespace state_names

// A state or a trigger. Two are the same when their names are equal; args are
// carried along (a trigger's args reach the callback it runs) and never
// compared.
struct _state_t {
    int32_t name = state_names::kNull;
    std::vector<std::string> args;

    _state_t() = default;
    _state_t(int32_t n) : name(n) {}  // NOLINT: a bare name reads as a state
    _state_t(int32_t n, std::vector<std::string> a) : name(n), args(std::move(a)) {}
};

// One history entry: the state a callback ran on, the trigger in force then,
// and the trigger fired.
struct _transition_t {
    _state_t from;
    _state_t trigger;
    _state_t fired;
};

class StateStack {
public:
    using Callback = std::function<void(const std::vector<std::string>&)>;

    static constexpr std::size_t kHistoryLimit = 50;

    // The stack holds exactly `start`; 'init' is fired on it.
    explicit StateStack(const _state_t& start = _state_t());
    // Pops every state, top first ('quit' on each, 'back' on the one below).
    ~StateStack();

    StateStack(const StateStack&) = delete;
    StateStack& operator=(const StateStack&) = delete;

    // The callback slot of (state, trigger); created empty when new. Assign a
    // callable to every slot you create.
    Callback& on(int32_t state, int32_t trigger);

    // Runs the callback of (from.name, trigger.name) with trigger.args and
    // records the transition; false when there is none.
    bool call(_state_t& from, const _state_t& trigger);

    // Makes `s` the top, firing 'push' on the old top and 'init' on `s`.
    // Pushing the name already on top does nothing at all.
    void push(const _state_t& s);
    // Removes the top ('quit') and resumes the one below ('back').
    void pop();
    // Replaces the top by `s` ('quit' on it, then 'init' on `s`, even for the
    // same name); pushes onto an empty stack.
    void set(const _state_t& s);

    // The state at `pos`: from the bottom for pos >= 0 (modulo the depth),
    // from the top for pos < 0 (-1 the top); kNull for an empty stack.
    _state_t get_state(int pos = -1) const;

    // Offers `trigger` to the states from the top down. The first state with
    // a callback runs it; the states passed over are then told 'quit' and
    // removed (top first) and `trigger` becomes the current trigger. False
    // (nothing removed) when no state handles it or the stack is empty.
    bool command(const _state_t& trigger);

    // Read-only views, for tests and diagnostics.
    const std::deque<_transition_t>& history() const { return history_; }
    const std::deque<_state_t>& stack() const { return stack_; }
    const _state_t& current_trigger() const { return trigger_; }

private:
    void replace(_state_t& current, const _state_t& next);
    // Index (from the bottom) of the topmost state named `name`; -1 if none.
    int topmostIndexOf(int32_t name) const;

    std::map<std::pair<int32_t, int32_t>, Callback> callbacks_;
    std::deque<_transition_t> history_;
    std::deque<_state_t> stack_;
    _state_t trigger_;
};
