#include "crawl/GzipInflater.h"

#include <algorithm>
#include <zlib.h>

namespace
{

constexpr std::size_t kOutBlock = 64 * 1024;
// zlib's window bits for a gzip header and trailer only.
constexpr int kGzipOnly = 15 + 16;

} // namespace

struct CGzipInflater::CStream
{
    z_stream z{};
    bool ready = false;

    CStream() { ready = inflateInit2(&z, kGzipOnly) == Z_OK; }
    ~CStream()
    {
        if (ready)
            inflateEnd(&z);
    }
};

CGzipInflater::CGzipInflater(std::uint64_t maxOutput, CSink sink)
    : m_stream(std::make_unique<CStream>()), m_maxOutput(maxOutput), m_sink(std::move(sink))
{
    if (!m_stream->ready)
    {
        m_problem = "gzip cannot be unpacked";
        m_stopped = true;
    }
}

CGzipInflater::~CGzipInflater() = default;

bool CGzipInflater::IsGzip(std::string_view bytes)
{
    return bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0x1f &&
           static_cast<unsigned char>(bytes[1]) == 0x8b;
}

bool CGzipInflater::Feed(std::string_view bytes)
{
    z_stream& z = m_stream->z;
    char out[kOutBlock];
    while (!m_stopped)
    {
        const auto in = static_cast<uInt>(std::min<std::size_t>(bytes.size(), 1u << 30));
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
        z.avail_in = in;
        z.next_out = reinterpret_cast<Bytef*>(out);
        z.avail_out = sizeof out;
        const int result = inflate(&z, Z_NO_FLUSH);
        bytes.remove_prefix(in - z.avail_in);
        const std::size_t produced = sizeof out - z.avail_out;
        if (result != Z_OK && result != Z_STREAM_END && result != Z_BUF_ERROR)
        {
            m_problem = "damaged gzip data";
            m_stopped = true;
            break;
        }
        if (in > 0 || produced > 0)
            m_inMember = result != Z_STREAM_END;
        m_output += produced;
        if (m_output > m_maxOutput)
        {
            m_problem =
                "unpacks to more than " + std::to_string(m_maxOutput / (1024 * 1024)) + " MB";
            m_stopped = true;
            break;
        }
        if (produced > 0 && !m_sink(std::string_view(out, produced)))
        {
            m_stopped = true;
            break;
        }
        // gzip joins members end to end; each starts with a header of its own.
        if (result == Z_STREAM_END && inflateReset(&z) != Z_OK)
        {
            m_problem = "damaged gzip data";
            m_stopped = true;
            break;
        }
        // Done with these bytes once they are all taken and nothing more is waiting to come out.
        if (bytes.empty() && (z.avail_out != 0 || result == Z_BUF_ERROR))
            break;
        if (result == Z_BUF_ERROR && produced == 0 && z.avail_in == in)
            break;
    }
    return !m_stopped;
}
