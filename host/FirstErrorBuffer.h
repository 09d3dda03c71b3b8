#pragma once
// The stream buffer behind an output file: bytes go to the file in pieces of 64 KiB (a
// write larger than that goes straight through), and the first error a write reports is
// remembered; after it the stream goes bad and nothing more is written. Detached (before
// the file is open, once it is put in place or given up), writes go nowhere, so a writer
// that flushes as it goes away writes nothing instead of into a closed file.
//
// Each system gives the file's handle type, its error code type (0: no error) and a
// function that writes every byte or returns the error that stopped it.
#include <cstddef>
#include <streambuf>
#include <vector>

namespace Host {

template <typename File, typename ErrorCode>
class CFirstErrorBuffer final : public std::streambuf {
public:
    using WriteAllFunction = ErrorCode (*)(File, const char*, std::size_t);

    explicit CFirstErrorBuffer(WriteAllFunction writeAll) : Buffer(64 * 1024), WriteAll(writeAll)
    {
        setp(Buffer.data(), Buffer.data() + Buffer.size());
    }
    CFirstErrorBuffer(const CFirstErrorBuffer&) = delete;
    CFirstErrorBuffer& operator=(const CFirstErrorBuffer&) = delete;

    void Attach(File file) noexcept
    {
        Target = file;
        Attached = true;
    }
    void Detach() noexcept { Attached = false; }
    ErrorCode Error() const noexcept { return FirstError; }

protected:
    int_type overflow(int_type c) override
    {
        if (Drain() != 0)
            return traits_type::eof();
        if (!traits_type::eq_int_type(c, traits_type::eof())) {
            *pptr() = traits_type::to_char_type(c);
            pbump(1);
        }
        return traits_type::not_eof(c);
    }

    int sync() override { return Drain() == 0 ? 0 : -1; }

    std::streamsize xsputn(const char* data, std::streamsize count) override
    {
        if (count < static_cast<std::streamsize>(Buffer.size()))
            return std::streambuf::xsputn(data, count);
        if (Drain() != 0)
            return 0;
        if (Attached)
            FirstError = WriteAll(Target, data, static_cast<std::size_t>(count));
        return FirstError == 0 ? count : 0;
    }

private:
    ErrorCode Drain()
    {
        const auto pending = static_cast<std::size_t>(pptr() - pbase());
        if (FirstError == 0 && pending > 0 && Attached)
            FirstError = WriteAll(Target, pbase(), pending);
        setp(Buffer.data(), Buffer.data() + Buffer.size());
        return FirstError;
    }

    std::vector<char> Buffer;
    WriteAllFunction WriteAll;
    File Target{};
    bool Attached = false;
    ErrorCode FirstError = 0;
};

}  // namespace Host
