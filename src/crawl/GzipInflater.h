#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

// Unpacks a gzip stream as its bytes arrive, members one after the other as gzip writes them,
// handing each unpacked block on. Stops for good at the first damaged byte or once more than
// maxOutput bytes came out, whatever the packed size: a few kilobytes may unpack to gigabytes.
class CGzipInflater
{
public:
    // Receives each unpacked block; false stops the stream.
    using CSink = std::function<bool(std::string_view block)>;

    CGzipInflater(std::uint64_t maxOutput, CSink sink);
    ~CGzipInflater();
    CGzipInflater(const CGzipInflater&) = delete;
    CGzipInflater& operator=(const CGzipInflater&) = delete;

    // The next packed bytes; false once the stream stopped (see Problem), or the sink stopped it.
    bool Feed(std::string_view bytes);
    // Why the stream stopped; empty while it runs or when the sink stopped it.
    const std::string& Problem() const { return m_problem; }
    // The stream ended inside a member.
    bool EndedEarly() const { return m_inMember; }

    // True when bytes begin as a gzip stream does.
    static bool IsGzip(std::string_view bytes);

private:
    struct CStream;

    std::unique_ptr<CStream> m_stream;
    std::uint64_t m_maxOutput;
    std::uint64_t m_output = 0;
    CSink m_sink;
    std::string m_problem;
    bool m_stopped = false;
    bool m_inMember = false;
};
