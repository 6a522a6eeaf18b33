// The host harness's exit statuses and the error that carries one up to main.
// Each kind of failure has its own status so scripts and CI can tell them apart.
#pragma once

#include <stdexcept>
#include <string>

enum class ExitCode : int {
    Ok = 0,
    ChecksFailed = 1,        // validate: at least one check failed or crashed (and none timed out)
    Usage = 2,               // bad command line
    MissingFile = 3,         // the library, script or pin description file does not exist
    NotALibrary = 4,         // the file exists but the system cannot load it
    NoEntryPoint = 5,        // the library has no MP_GetFactory
    ClassNotRegistered = 6,  // the factory does not know the class (kind, identifier)
    BadScriptLine = 7,       // a session script line cannot be read or does not fit the pins
    ValueTooLarge = 8,       // a script value does not fit its pin's encoding
    BadPinDescription = 9,   // no pin description, or one that cannot be read
    PluginFailed = 10,       // the plug-in refused a step the session needs (factory, setHost)
    TimedOut = 11,           // a session or check took longer than its time limit: the plug-in hangs
    Crashed = 12,            // the session's process crashed, or an exception came out of the plug-in
    ContractBroken = 13,     // run --strict (and fuzz): the plug-in broke the binary contract
    HarnessFailed = 14,      // the harness could not start or watch a child process (its own trouble, not the plug-in's)
    NeedsWindows = 20,       // show: this build of the harness has no windows (only the Windows build has)
    NoScreenshot = 21,       // show: the host window could not be made or captured, or the PNG not written
    NoDisplay = 22,          // no display to make windows on (Wine without an X server): xvfb-run or a desktop session
    WinePrefixFailed = 23,   // corvane-wine: the Wine prefix could not be made or started
};

/// Thrown inside the tool for any failure that ends it; main prints the
/// message on standard error and exits with the code.
class HostError : public std::runtime_error {
public:
    HostError(ExitCode exitCode, const std::string& message) : std::runtime_error(message), code(exitCode) {}
    const ExitCode code;
};
