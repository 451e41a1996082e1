#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "capture/common/StateStack.h"

using namespace state_names;

namespace {

// A machine whose callbacks write "<state>.<trigger>[:args]" into a log.
// States 1, 2 and 3 answer the four reserved triggers; command 5 is handled
// by the states listed in `handlers`.
struct Logged {
    std::vector<std::string> log;
    StateStack machine;

    static std::string triggerName(int32_t t)
    {
        switch (t) {
        case kInit: return "init";
        case kQuit: return "quit";
        case kPush: return "push";
        case kBack: return "back";
        default: return std::to_string(t);
        }
    }

    explicit Logged(std::vector<int32_t> handlers = {})
    {
        for (int32_t s : {1, 2, 3}) {
            for (int32_t t : {kInit, kQuit, kPush, kBack}) {
                machine.on(s, t) = [this, s, t](const std::vector<std::string>& args) {
                    std::string entry = std::to_string(s) + "." + triggerName(t);
                    for (const std::string& a : args)
                        entry += ":" + a;
                    log.push_back(entry);
                };
            }
        }
        for (int32_t s : handlers) {
            machine.on(s, 5) = [this, s](const std::vector<std::string>& args) {
                std::string entry = std::to_string(s) + ".5";
                for (const std::string& a : args)
                    entry += ":" + a;
                log.push_back(entry);
            };
        }
    }

    std::vector<int32_t> names() const
    {
        std::vector<int32_t> out;
        for (const _state_t& s : machine.stack())
            out.push_back(s.name);
        return out;
    }
};

}  // namespace

TEST(StateStack, StartsWithTheStartStateAndRunsNothingWithoutCallbacks)
{
    StateStack machine;
    ASSERT_EQ(machine.stack().size(), 1u);
    EXPECT_EQ(machine.get_state(-1).name, kNull);
    EXPECT_EQ(machine.current_trigger().name, kNull);
    EXPECT_TRUE(machine.history().empty());
    // The reserved names are the four letters, most significant byte first.
    EXPECT_EQ(kInit, 0x696E6974);
    EXPECT_EQ(kQuit, 0x71756974);
    EXPECT_EQ(kPush, 0x70757368);
    EXPECT_EQ(kBack, 0x6261636B);
    EXPECT_EQ(kNull, 0x6E756C6C);
}

TEST(StateStack, OperationSequences)
{
    struct Case {
        const char* name;
        std::vector<int32_t> handlers;  // states answering command 5
        std::function<void(StateStack&)> ops;
        std::vector<std::string> log;
        std::vector<int32_t> stack;
        int32_t trigger;  // the current trigger afterwards
    };
    const std::vector<Case> cases = {
        {"set replaces the start state", {}, [](StateStack& m) { m.set(1); }, {"1.init"}, {1}, kNull},
        {"push of the name on top does nothing",
         {},
         [](StateStack& m) {
             m.set(_state_t(1, {"a"}));
             m.push(_state_t(1, {"b"}));
         },
         {"1.init"},
         {1},
         kNull},
        {"set of the name on top fires quit and init",
         {},
         [](StateStack& m) {
             m.set(1);
             m.set(1);
         },
         {"1.init", "1.quit", "1.init"},
         {1},
         kNull},
        {"push pauses the top, pop resumes it",
         {},
         [](StateStack& m) {
             m.set(1);
             m.push(2);
             m.pop();
         },
         {"1.init", "1.push", "2.init", "2.quit", "1.back"},
         {1},
         kNull},
        {"a command handled below the top removes the states above it, top first",
         {1},
         [](StateStack& m) {
             m.set(1);
             m.push(2);
             m.push(3);
             EXPECT_TRUE(m.command(_state_t(5, {"x"})));
         },
         {"1.init", "1.push", "2.init", "2.push", "3.init", "1.5:x", "3.quit", "2.quit"},
         {1},
         5},
        {"a command handled by the top removes nothing",
         {2, 1},
         [](StateStack& m) {
             m.set(1);
             m.push(2);
             EXPECT_TRUE(m.command(5));
         },
         {"1.init", "1.push", "2.init", "2.5"},
         {1, 2},
         5},
        {"a command without a handler changes nothing",
         {},
         [](StateStack& m) {
             m.set(1);
             m.push(2);
             EXPECT_FALSE(m.command(5));
         },
         {"1.init", "1.push", "2.init"},
         {1, 2},
         kNull},
        {"a failed command clears the trigger of an earlier one",
         {1},
         [](StateStack& m) {
             m.set(1);
             EXPECT_TRUE(m.command(5));
             EXPECT_FALSE(m.command(6));
         },
         {"1.init", "1.5"},
         {1},
         kNull},
        {"the trigger's args reach the callback, the state's do not",
         {},
         [](StateStack& m) {
             m.set(_state_t(1, {"state-arg"}));
             _state_t top = m.get_state();
             m.call(top, _state_t(kBack, {"t1", "t2"}));
         },
         {"1.init", "1.back:t1:t2"},
         {1},
         kNull},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Logged l(c.handlers);
        c.ops(l.machine);
        EXPECT_EQ(l.log, c.log);
        EXPECT_EQ(l.names(), c.stack);
        EXPECT_EQ(l.machine.current_trigger().name, c.trigger);
    }
}

TEST(StateStack, PushOfTheSameNameKeepsTheOldArgs)
{
    Logged l;
    l.machine.set(_state_t(1, {"a"}));
    l.machine.push(_state_t(1, {"b"}));
    EXPECT_EQ(l.machine.get_state().args, std::vector<std::string>{"a"});
    l.machine.set(_state_t(1, {"c"}));
    EXPECT_EQ(l.machine.get_state().args, std::vector<std::string>{"c"});
}

TEST(StateStack, GetStatePositions)
{
    StateStack machine;
    machine.set(10);
    machine.push(11);
    machine.push(12);
    const std::vector<std::pair<int, int32_t>> positions = {{0, 10},  {1, 11},  {2, 12},  {3, 10},  {4, 11},
                                                            {-1, 12}, {-2, 11}, {-3, 10}, {-4, 12}, {-5, 11}};
    for (const auto& [pos, name] : positions)
        EXPECT_EQ(machine.get_state(pos).name, name) << "position " << pos;
}

TEST(StateStack, HistoryKeepsTheLastFifty)
{
    StateStack machine;
    int runs = 0;
    machine.on(1, 7) = [&](const std::vector<std::string>&) { ++runs; };
    machine.set(1);  // no callback for (1, init): not recorded
    for (int i = 0; i < 51; ++i) {
        _state_t top = machine.get_state();
        ASSERT_TRUE(machine.call(top, _state_t(7, {std::to_string(i)})));
    }
    EXPECT_EQ(runs, 51);
    ASSERT_EQ(machine.history().size(), 50u);
    // The first run was dropped; the oldest kept is the second.
    EXPECT_EQ(machine.history().front().fired.args, std::vector<std::string>{"1"});
    EXPECT_EQ(machine.history().back().fired.args, std::vector<std::string>{"50"});
    EXPECT_EQ(machine.history().back().from.name, 1);
}

TEST(StateStack, HistoryRecordsTheTriggerInForce)
{
    StateStack machine;
    machine.on(1, 5) = [&](const std::vector<std::string>&) {};
    machine.on(1, kInit) = [&](const std::vector<std::string>&) {};
    machine.set(1);
    ASSERT_TRUE(machine.command(5));
    machine.set(1);  // quit (no callback), init recorded with trigger 5 in force
    const _transition_t& last = machine.history().back();
    EXPECT_EQ(last.from.name, 1);
    EXPECT_EQ(last.trigger.name, 5);
    EXPECT_EQ(last.fired.name, kInit);
}

TEST(StateStack, SetFromInsideACommandCallback)
{
    // The mastery states: a command moves the machine to its next state.
    std::vector<std::string> log;
    StateStack machine;
    machine.on(1, 5) = [&](const std::vector<std::string>&) {
        log.push_back("1.5");
        machine.set(2);
    };
    machine.on(1, kQuit) = [&](const std::vector<std::string>&) { log.push_back("1.quit"); };
    machine.on(2, kInit) = [&](const std::vector<std::string>&) { log.push_back("2.init"); };
    machine.set(1);
    EXPECT_TRUE(machine.command(5));
    EXPECT_EQ(log, (std::vector<std::string>{"1.5", "1.quit", "2.init"}));
    ASSERT_EQ(machine.stack().size(), 1u);
    EXPECT_EQ(machine.get_state().name, 2);
    EXPECT_EQ(machine.current_trigger().name, 5);
}

TEST(StateStack, DestructionPopsTopFirst)
{
    std::vector<std::string> log;
    {
        StateStack machine;
        for (int32_t s : {1, 2}) {
            machine.on(s, kQuit) = [&log, s](const std::vector<std::string>&) {
                log.push_back(std::to_string(s) + ".quit");
            };
            machine.on(s, kBack) = [&log, s](const std::vector<std::string>&) {
                log.push_back(std::to_string(s) + ".back");
            };
        }
        machine.set(1);
        machine.push(2);
    }
    EXPECT_EQ(log, (std::vector<std::string>{"2.quit", "1.back", "1.quit"}));
}
