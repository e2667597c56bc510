#pragma once

class QIODevice;

// Errors are raised where a device fails, with what only that place knows.
// A device of ours says why it failed as the error to raise: its kind, the
// file the user named and the system's reason, found where it happened
// (for a device that passes data on, in the device it passes them to).
class TFailingDevice {
public:
    // Raises what made the device's last read or write fail.
    [[noreturn]] virtual void RaiseFailure() = 0;

protected:
    ~TFailingDevice() = default;
};

// The error of a write that `device` did not take in full, or of a read it
// could not deliver: a device of ours raises its own; any other file gives
// "Cannot create file "%s". %s" or "Cannot read file "%s". %s" with its name
// and reason; any other device "Stream write error" or "Stream read error".
[[noreturn]] void RaiseWriteFailure(QIODevice& device);
[[noreturn]] void RaiseReadFailure(QIODevice& device);
