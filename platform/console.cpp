#include "platform/console.h"

#include "platform/exceptions.h"

Console::Console(ConsoleDevice& device) : device_(device), lineByLine_(device.IsCharacterDevice()) {}

void Console::WriteLine(const std::string& text)
{
    buffer_ += text;
    buffer_ += "\r\n";
    while (buffer_.size() >= kBufferSize)
        WriteOut(kBufferSize);
    if (lineByLine_ && !buffer_.empty())
        WriteOut(buffer_.size());
}

void Console::FlushQuietly()
{
    if (!buffer_.empty())
        device_.Write(buffer_.data(), buffer_.size());
    buffer_.clear();
}

void Console::WriteOut(std::size_t size)
{
    const bool written = device_.Write(buffer_.data(), size);
    buffer_.erase(0, size);
    if (!written)
        throw EInOutError("Cannot write to standard output");
}
