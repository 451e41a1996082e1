#pragma once

// The program's name and its own version: the window title, the about
// dialog, the version check and the exported documents all take them from
// here.
inline const char* programName()
{
    return "错题本";
}
inline const char* programVersion()
{
    return "2.0.8";
}
