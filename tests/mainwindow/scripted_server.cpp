// The web-service tests' loopback server, shared with the main window's tests.
#include "../service/ScriptedServer.cpp"
