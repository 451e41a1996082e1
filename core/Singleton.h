#pragma once

#include <QCoreApplication>
#include <QObject>

#include <mutex>
#include <type_traits>

// The one T of a Qt object type (a window, a dialog) that must not outlive the
// application object. It is built on the first call and deleted by a post
// routine, which the application object's destructor runs before it tears
// down its widgets; post routines run in reverse order of registration, so
// these objects die in reverse order of their first use.
//
// Safe to call from several threads at once. After the object was deleted
// (the application object is gone), the next call builds a new one; a widget
// type must therefore not be asked for once the application object is gone.
//
// Usable directly by classes that do not derive from Singleton<T> (the busy
// dialog): `return appOwnedInstance<WaiteDialog>();` (befriend the function
// when the constructor is private).
template <typename T>
T* appOwnedInstance();

namespace singleton_detail {

template <typename T>
struct AppOwned {
    static std::recursive_mutex& mutex()
    {
        static std::recursive_mutex m;
        return m;
    }
    static T*& slot()
    {
        static T* current = nullptr;
        return current;
    }
    template <typename Create>
    static T* get(Create create)
    {
        std::lock_guard<std::recursive_mutex> guard(mutex());
        if (slot() == nullptr) {
            slot() = create();
            qAddPostRoutine(&AppOwned::destroy);
        }
        return slot();
    }
    static void destroy()
    {
        T* object = nullptr;
        {
            std::lock_guard<std::recursive_mutex> guard(mutex());
            object = slot();
        }
        // The slot still names the object while it is destroyed, so code run
        // by its destructor that asks for it gets it rather than a new one.
        delete object;
        std::lock_guard<std::recursive_mutex> guard(mutex());
        if (slot() == object)
            slot() = nullptr;
    }
};

}  // namespace singleton_detail

template <typename T>
T* appOwnedInstance()
{
    return singleton_detail::AppOwned<T>::get([] { return new T(); });
}

// Base of the program's service objects: Singleton<T>::instance() hands out the
// one T, built with its default constructor on the first call.
//
// Plain objects are function-local statics (thread-safe construction),
// destroyed after main() returns in reverse order of construction. Qt objects
// (the main window and the like) are application-owned, see appOwnedInstance.
template <typename T>
class Singleton {
public:
    virtual ~Singleton() = default;

    static T* instance()
    {
        if constexpr (std::is_base_of_v<QObject, T>) {
            // Built here, so a T that befriends Singleton<T> may keep its
            // constructor private.
            return singleton_detail::AppOwned<T>::get([] { return new T(); });
        } else {
            static T object;
            return &object;
        }
    }

protected:
    Singleton() = default;

private:
    Singleton(const Singleton&) = delete;
    Singleton& operator=(const Singleton&) = delete;
};
