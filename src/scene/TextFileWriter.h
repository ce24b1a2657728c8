#pragma once
// Line-by-line text files in UTF-16LE with CR LF and no byte-order mark, the
// form of the note and CSV files the exports write.
#include <cstdio>
#include <string>

namespace velmor {

class TextFileWriter {
public:
    TextFileWriter() = default;
    ~TextFileWriter();
    TextFileWriter(const TextFileWriter&) = delete;
    TextFileWriter& operator=(const TextFileWriter&) = delete;

    // Creates the file or empties an existing one.
    bool OpenForWrite(const std::wstring& path);
    // printf-style wide format (strings as %ls); the line is never cut.
    // False when nothing is open or the write failed.
    bool WriteLine(const wchar_t* format, ...);
    // Flushes and closes; false when a write or the flush failed, so that an
    // export never reports a damaged file as written.
    bool Close();
    bool IsOpen() const { return file_ != nullptr; }

private:
    std::FILE* file_ = nullptr;
    bool failed_ = false;
};

} // namespace velmor
