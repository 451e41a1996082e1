#pragma once

// Told by a dialog that changed the subject; the main window follows.
class IObserver {
public:
    virtual ~IObserver() = default;

    // index: the row of the chosen subject in AppContext::subjects.
    virtual void notify(int index) = 0;
};
