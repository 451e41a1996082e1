#pragma once

#include <QCoreApplication>
#include <QObject>
#include <type_traits>

// Base of the program's service objects: Singleton<T>::instance() hands out the
// one T, built with its default constructor on the first call.
//
// Plain objects are function-local statics, destroyed after main() returns.
// Qt objects (the main window and the like) must not outlive the application
// object, so they are deleted by a post routine that runs first thing in the
// application object's destructor.
template <typename T>
class Singleton {
public:
    virtual ~Singleton() = default;

    static T* instance()
    {
        if constexpr (std::is_base_of_v<QObject, T>) {
            static T* object = create();
            return object;
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

    static T*& slot()
    {
        static T* current = nullptr;
        return current;
    }
    static T* create()
    {
        T* object = new T();
        slot() = object;
        qAddPostRoutine(&Singleton<T>::destroy);
        return object;
    }
    static void destroy()
    {
        delete slot();
        slot() = nullptr;
    }
};
