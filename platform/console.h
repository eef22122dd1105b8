#pragma once

#include <cstddef>
#include <string>

// Standard output as the operating system offers it; tests pass a fake.
class ConsoleDevice {
public:
    virtual ~ConsoleDevice() = default;
    // True when standard output is a character device (a console).
    virtual bool IsCharacterDevice() = 0;
    // True when every byte was written.
    virtual bool Write(const char* data, std::size_t size) = 0;
};

ConsoleDevice& StandardOutput();

// Console lines: 8-bit text followed by CR LF, written byte for byte. On a
// console each line goes out as soon as it ends; otherwise output is
// collected in a 128-byte buffer and written whenever the buffer is full.
class Console {
public:
    static constexpr std::size_t kBufferSize = 128;

    explicit Console(ConsoleDevice& device);

    // Raises EInOutError when the device refuses the bytes.
    void WriteLine(const std::string& text);
    // The end of the program: what the buffer holds goes out, unchecked.
    void FlushQuietly();

private:
    void WriteOut(std::size_t size);

    ConsoleDevice& device_;
    const bool lineByLine_;
    std::string buffer_;
};
