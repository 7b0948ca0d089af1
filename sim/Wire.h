#pragma once

#include <QByteArray>
#include <QString>
#include <vector>

namespace sim {

// An answer frame with the closing line feed that the device puts after every answer.
QByteArray answerLine(int code, const QByteArray &payload);
// Printable rendering of received bytes for the log, cut to a sane width.
QString printable(const QByteArray &bytes, int maxChars = 120);

struct Input final
{
    enum class Kind { Frame, Malformed, Junk, Escape, Command };
    Kind kind = Kind::Junk;
    int code = -1;      // Frame: the command code
    QByteArray payload; // Frame: the decoded payload bytes
    QByteArray raw;     // the bytes as received (a Command without its line end)
};

// Cuts requests out of the byte stream that the application writes. In frame mode requests
// come without line ends, so a frame is recognised by its grammar alone; "$$$" switches to the
// module's command mode, where commands are lines ended by CR LF, until the line "exit".
class InputCutter final
{
public:
    enum class Mode { Frames, Commands };

    std::vector<Input> feed(const QByteArray &bytes);
    Mode mode() const { return m_mode; }
    void setMode(Mode mode) { m_mode = mode; }
    int buffered() const { return int(m_buffer.size()); }

    // Longest command line kept before it is thrown away as junk.
    static constexpr int maxCommandLine = 1024;

private:
    enum class Cut { Done, NeedMore };
    Cut cutFrameMode(std::vector<Input> &out);
    Cut cutCommandMode(std::vector<Input> &out);
    void flushJunk(std::vector<Input> &out);

    QByteArray m_buffer;
    QByteArray m_junk;
    Mode m_mode = Mode::Frames;
};

} // namespace sim
