#pragma once

// The space-bar switch to the mouse tool, shared by every image widget of the
// program (the cutter and the image editor): holding the space bar pans with
// whatever tool is chosen, releasing it returns to that tool.
//
// The state is class-wide: one flag and one remembered tool for all widgets,
// zero at start. A widget calls quickChange() on every press and every release
// of the space bar that is not an auto-repeat, with its current tool, and sets
// the tool it returns:
//
//     const int next = SpaceBarSwitch::quickChange(currentTool());
//     if (next >= 0)
//         setTool(next);
//
// Tool 0 is the mouse (pan) tool in both widgets. GUI thread only.
class SpaceBarSwitch {
public:
    static constexpr int kMouseTool = 0;

    // With a tool other than the mouse: remembers it, raises the flag and
    // answers the mouse tool. With the mouse tool and the flag raised: lowers
    // the flag and answers the remembered tool. Otherwise (the mouse tool
    // chosen by hand) answers -1: nothing to change.
    static int quickChange(int currentTool)
    {
        if (currentTool != kMouseTool) {
            remembered_ = currentTool;
            active_ = true;
            return kMouseTool;
        }
        if (active_) {
            active_ = false;
            return remembered_;
        }
        return -1;
    }

    // Whether the mouse tool is on because the space bar is held.
    static bool isActive() { return active_; }
    // The tool that the release of the space bar gives back.
    static int rememberedTool() { return remembered_; }
    // Back to the start state (for tests).
    static void reset()
    {
        active_ = false;
        remembered_ = 0;
    }

private:
    static inline bool active_ = false;
    static inline int remembered_ = 0;
};
