#pragma once
// A read-only device that plays a recorded NMEA log back at the pace of its fixes, over and
// over: the demo receiver, and a receiver for tests that runs through the real port code.

#include <QByteArray>
#include <QElapsedTimer>
#include <QIODevice>

#include <vector>

namespace korvel {

class NmeaReplayDevice : public QIODevice {
    Q_OBJECT
public:
    // Logs larger than this are refused rather than loaded into memory.
    static constexpr qint64 kMaxLogBytes = 64 * 1024 * 1024;

    explicit NmeaReplayDevice(const QString& path, QObject* parent = nullptr);

    // Loads the whole log; fails (with errorString()) when it cannot be read.
    bool open(OpenMode mode) override;
    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override;

    // True when the last open failed because the file does not exist.
    bool notFound() const { return m_notFound; }

    // Milliseconds after the start at which the byte block of each fix is released, and the
    // length of one pass (for tests and the demo's documentation).
    struct Epoch {
        qint64 endOffset;  // bytes of the log up to the end of this fix's lines
        qint64 atMs;       // release time within one pass
    };
    const std::vector<Epoch>& epochs() const { return m_epochs; }
    qint64 passMs() const { return m_passMs; }

    // Splits a log into fixes by the time of day in its GGA and RMC lines. Gaps longer than
    // 10 s (a receiver switched off and on) are shortened to 10 s so that the replay moves on.
    static std::vector<Epoch> SplitIntoEpochs(const QByteArray& log, qint64* passMs);

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char* data, qint64 maxSize) override;

private:
    qint64 Released() const;

    QString m_path;
    QByteArray m_log;
    std::vector<Epoch> m_epochs;
    qint64 m_passMs = 1000;
    qint64 m_consumed = 0;  // bytes read since the start, counted over all passes
    QElapsedTimer m_started;
    bool m_notFound = false;
};

}  // namespace korvel
