#include "scene/TextFileWriter.h"

#include "platform/WideText.h"

#include <cstdarg>
#include <cwchar>
#include <vector>

namespace velmor {

TextFileWriter::~TextFileWriter() { Close(); }

bool TextFileWriter::OpenForWrite(const std::wstring& path)
{
    Close();
    failed_ = false;
    file_ = std::fopen(PathFromWide(path).c_str(), "wb");
    return file_ != nullptr;
}

bool TextFileWriter::WriteLine(const wchar_t* format, ...)
{
    if (file_ == nullptr || format == nullptr) return false;
    std::vector<wchar_t> buffer(1024);
    for (;;) {
        va_list args;
        va_start(args, format);
        const int n = std::vswprintf(buffer.data(), buffer.size(), format, args);
        va_end(args);
        if (n >= 0) {
            buffer.resize(static_cast<size_t>(n));
            break;
        }
        // vswprintf says only "did not fit" (or a bad format); grow a while.
        if (buffer.size() >= (1u << 24)) { failed_ = true; return false; }
        buffer.resize(buffer.size() * 4);
    }
    std::wstring line(buffer.begin(), buffer.end());
    line += L"\r\n";
    const std::string bytes = WideToUtf16LE(line);
    if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) failed_ = true;
    return !failed_;
}

bool TextFileWriter::Close()
{
    if (file_ == nullptr) return !failed_;
    if (std::fclose(file_) != 0) failed_ = true;
    file_ = nullptr;
    return !failed_;
}

} // namespace velmor
