#include "Wire.h"

#include "link/Frame.h"

namespace sim {

namespace {

// How a buffer that starts with '*' holds up against the frame header so far.
enum class Header { Valid, Partial, Invalid };

Header checkHeader(const QByteArray &buf)
{
    const int n = int(qMin<qsizetype>(buf.size(), frame::HeaderSize));
    for (int i = 1; i < n; ++i) {
        const char c = buf.at(i);
        const bool ok = (i == 1)   ? c == 'M'
                        : (i == 2) ? c == 'K'
                        : (i == 7) ? c == '*'
                                   : frame::hexDigit(c) >= 0;
        if (!ok)
            return Header::Invalid;
    }
    return n < frame::HeaderSize ? Header::Partial : Header::Valid;
}

} // namespace

QByteArray answerLine(int code, const QByteArray &payload)
{
    return frame::build(code, payload) + '\n';
}

QString printable(const QByteArray &bytes, int maxChars)
{
    QString out;
    for (const char c : bytes) {
        if (out.size() >= maxChars) {
            out += QStringLiteral("...(%1 bytes)").arg(bytes.size());
            break;
        }
        const auto u = static_cast<unsigned char>(c);
        if (u == '\r')
            out += QLatin1String("\\r");
        else if (u == '\n')
            out += QLatin1String("\\n");
        else if (u < 32 || u > 126)
            out += QStringLiteral("\\x%1").arg(u, 2, 16, QLatin1Char('0'));
        else
            out += QLatin1Char(c);
    }
    return out;
}

std::vector<Input> InputCutter::feed(const QByteArray &bytes)
{
    m_buffer += bytes;
    std::vector<Input> out;
    for (;;) {
        const Cut cut = m_mode == Mode::Frames ? cutFrameMode(out) : cutCommandMode(out);
        if (cut == Cut::NeedMore)
            break;
    }
    return out;
}

void InputCutter::flushJunk(std::vector<Input> &out)
{
    if (m_junk.isEmpty())
        return;
    Input in;
    in.kind = Input::Kind::Junk;
    in.raw = m_junk;
    out.push_back(std::move(in));
    m_junk.clear();
}

InputCutter::Cut InputCutter::cutFrameMode(std::vector<Input> &out)
{
    // Skip to the next byte that can start a frame or the escape; line ends between
    // frames are harmless and not worth a log line.
    qsizetype start = 0;
    while (start < m_buffer.size() && m_buffer.at(start) != '*' && m_buffer.at(start) != '$') {
        const char c = m_buffer.at(start);
        if (c != '\r' && c != '\n')
            m_junk += c;
        ++start;
    }
    m_buffer.remove(0, start);
    if (m_buffer.isEmpty()) {
        flushJunk(out);
        return Cut::NeedMore;
    }

    if (m_buffer.at(0) == '$') {
        const qsizetype run = qMin<qsizetype>(m_buffer.size(), 3);
        if (m_buffer.left(run) != QByteArray("$$$").left(run)) {
            m_junk += m_buffer.left(1);
            m_buffer.remove(0, 1);
            return Cut::Done;
        }
        if (run < 3) {
            flushJunk(out);
            return Cut::NeedMore;
        }
        flushJunk(out);
        Input in;
        in.kind = Input::Kind::Escape;
        in.raw = "$$$";
        out.push_back(std::move(in));
        m_buffer.remove(0, 3);
        m_mode = Mode::Commands;
        return Cut::Done;
    }

    switch (checkHeader(m_buffer)) {
    case Header::Invalid:
        // A stray '*': resynchronise on the next candidate.
        m_junk += m_buffer.left(1);
        m_buffer.remove(0, 1);
        return Cut::Done;
    case Header::Partial:
        flushJunk(out);
        return Cut::NeedMore;
    case Header::Valid:
        break;
    }

    const int code = frame::hexByte(m_buffer, 3);
    const int length = frame::hexByte(m_buffer, 5);
    const int total = frame::HeaderSize + length + 1;
    if (m_buffer.size() < total) {
        // A '#' inside the declared payload means the frame is shorter than it says.
        const qsizetype hash = m_buffer.indexOf('#', frame::HeaderSize);
        if (hash < 0) {
            flushJunk(out);
            return Cut::NeedMore;
        }
    }

    Input in;
    in.code = code;
    bool ok = length % 2 == 0 && m_buffer.size() >= total && m_buffer.at(total - 1) == '#';
    for (int i = 0; ok && i < length; i += 2) {
        const int b = frame::hexByte(m_buffer, frame::HeaderSize + i);
        ok = b >= 0;
        in.payload += char(b);
    }
    flushJunk(out);
    if (ok) {
        in.kind = Input::Kind::Frame;
        in.raw = m_buffer.left(total);
        m_buffer.remove(0, total);
    } else {
        // Drop up to the next '#' (or the header if none): the rest may hold a good frame.
        const qsizetype hash = m_buffer.indexOf('#', 1);
        const qsizetype next = m_buffer.indexOf('*', frame::HeaderSize);
        qsizetype cut = hash >= 0 ? hash + 1 : frame::HeaderSize;
        if (next > 0 && next < cut)
            cut = next;
        in.kind = Input::Kind::Malformed;
        in.payload.clear();
        in.raw = m_buffer.left(cut);
        m_buffer.remove(0, cut);
    }
    out.push_back(std::move(in));
    return Cut::Done;
}

InputCutter::Cut InputCutter::cutCommandMode(std::vector<Input> &out)
{
    const qsizetype nl = m_buffer.indexOf('\n');
    if (nl < 0) {
        if (m_buffer.size() > maxCommandLine) {
            Input in;
            in.kind = Input::Kind::Junk;
            in.raw = m_buffer;
            out.push_back(std::move(in));
            m_buffer.clear();
        }
        return Cut::NeedMore;
    }
    QByteArray line = m_buffer.left(nl);
    m_buffer.remove(0, nl + 1);
    if (line.endsWith('\r'))
        line.chop(1);
    Input in;
    in.kind = Input::Kind::Command;
    in.raw = line;
    out.push_back(std::move(in));
    if (line.trimmed() == "exit")
        m_mode = Mode::Frames;
    return Cut::Done;
}

} // namespace sim
