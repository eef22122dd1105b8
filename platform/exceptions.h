#pragma once

#include <exception>
#include <string>

// The run's failures. Every one of them ends the run with exit status 1;
// no message is ever shown to the user, but each carries one for tests
// and for a debugger.
class Exception : public std::exception {
public:
    explicit Exception(std::string message) : message_(std::move(message)) {}
    const char* what() const noexcept override { return message_.c_str(); }
    const std::string& Message() const { return message_; }

private:
    std::string message_;
};

// Raised after the program has printed its own line for a failed check.
class EAbort : public Exception {
public:
    EAbort() : Exception("Operation aborted") {}
};

class EFOpenError : public Exception {
public:
    using Exception::Exception;
};

class EFCreateError : public Exception {
public:
    using Exception::Exception;
};

class EReadError : public Exception {
public:
    using Exception::Exception;
};

class EWriteError : public Exception {
public:
    using Exception::Exception;
};

// A line file that is not 8-bit text (it holds a NUL byte, as UTF-16 does).
class EInvalidTextFile : public Exception {
public:
    using Exception::Exception;
};

class ERegistryException : public Exception {
public:
    using Exception::Exception;
};

// Standard output could not be written.
class EInOutError : public Exception {
public:
    using Exception::Exception;
};
