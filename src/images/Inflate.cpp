// SPDX-License-Identifier: MIT
#include "images/Inflate.h"

#include <algorithm>
#include <limits>
#include <zlib.h>

namespace qie::Inflate {
namespace {

// 16 + the largest window: a gzip header and trailer around the deflate data.
constexpr int kGzipWindowBits = 16 + MAX_WBITS;
constexpr qint64 kFirstBuffer = qint64(64) * 1024;
// zlib counts in unsigned int.
constexpr qint64 kMaxStep = std::numeric_limits<unsigned int>::max() / 2;

class Stream
{
public:
    Stream() { m_ok = inflateInit2(&m_z, kGzipWindowBits) == Z_OK; }
    ~Stream() { inflateEnd(&m_z); }
    Stream(const Stream &) = delete;
    Stream &operator=(const Stream &) = delete;

    bool ok() const { return m_ok; }
    z_stream &z() { return m_z; }

private:
    z_stream m_z {};
    bool m_ok = false;
};

} // namespace

bool isGzip(QByteArrayView bytes)
{
    return bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0x1f
        && static_cast<unsigned char>(bytes[1]) == 0x8b;
}

Result gzip(QByteArrayView compressed, qint64 maxBytes)
{
    Result result;
    Stream stream;
    if (!stream.ok() || !isGzip(compressed))
        return result;
    z_stream &z = stream.z();
    // One byte more than allowed is the most ever inflated: reaching it is the refusal.
    const qint64 limit = maxBytes + 1;
    QByteArray out;
    out.resize(qsizetype(std::min(limit, std::max(kFirstBuffer, qint64(compressed.size()) * 4))));
    qint64 produced = 0;
    qint64 consumed = 0;
    const qint64 total = compressed.size();
    for (;;) {
        if (produced == qint64(out.size())) {
            if (produced >= limit) {
                result.outcome = Result::Outcome::TooLarge;
                result.inflated = produced;
                return result;
            }
            out.resize(qsizetype(std::min(limit, produced * 2)));
        }
        const qint64 inStep = std::min(total - consumed, kMaxStep);
        const qint64 outStep = std::min(qint64(out.size()) - produced, kMaxStep);
        // zlib takes a non-const pointer for historical reasons; it never writes the input.
        z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(compressed.data() + consumed));
        z.avail_in = static_cast<uInt>(inStep);
        z.next_out = reinterpret_cast<Bytef *>(out.data() + produced);
        z.avail_out = static_cast<uInt>(outStep);
        const int status = inflate(&z, Z_NO_FLUSH);
        consumed += inStep - z.avail_in;
        produced += outStep - z.avail_out;
        result.inflated = produced;
        if (status == Z_STREAM_END) {
            if (produced > maxBytes) {
                result.outcome = Result::Outcome::TooLarge;
                return result;
            }
            if (consumed == total)
                break;
            // Only another member may follow: other bytes are damage, not padding.
            if (!isGzip(compressed.sliced(consumed)) || inflateReset(&z) != Z_OK)
                return result;
            continue;
        }
        // There was room for output, so anything but progress is damage (Z_BUF_ERROR: the
        // input ended inside a member).
        if (status != Z_OK)
            return result;
    }
    out.resize(qsizetype(produced));
    result.bytes = out;
    result.outcome = Result::Outcome::Done;
    return result;
}

} // namespace qie::Inflate
