#pragma once
// The receiver settings (port, baud rate, quality limits, measuring interval, averaging), their
// persistence in section "GPS" of the settings store, switching the receiver on, the quality
// filter every measuring tool asks, and the automatic receiver search. The settings dialog
// derives from this class, so its working copy is what every start and every check uses.

#include "gps/portmanager.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>

namespace korvel {

inline constexpr int IDS_GPS_FOUND = 4001;      // "Es wurde ein GPS-Empfänger gefunden."
inline constexpr int IDS_GPS_NOT_FOUND = 4002;  // "Es wurde kein GPS-Empfänger gefunden."

// "%i" as scanf reads it: leading blanks, a sign, then hexadecimal after "0x", octal after a
// leading 0, decimal otherwise. False when no digit could be read.
bool ScanInt(const QString& text, std::int32_t* value);
// "%lf": a decimal number with optional exponent; false when there is none (or it is not finite).
bool ScanDouble(const QString& text, double* value);

class CGpsSettings {
public:
    static constexpr int kSearchWaitMs = 3000;

    explicit CGpsSettings(CPortManager& manager = PortManager());
    virtual ~CGpsSettings() = default;
    CGpsSettings(const CGpsSettings&) = delete;
    CGpsSettings& operator=(const CGpsSettings&) = delete;

    // Reads section "GPS" (missing values get their defaults) and parses the limits.
    void LoadGpsSettings();
    // Parses the limits and writes the values back.
    void SaveGpsSettings();

    // Switches the receiver on with the working copy's port and baud rate. Without `force`
    // nothing happens while "Aktiv" is 0. True when the GPS port is open afterwards; the result
    // is stored as "Aktiv".
    bool StartGps(bool force, bool showErrors);

    // Whether the port's current fix passes every limit. A rejected fix gets quality 0.
    bool IsFixUsable(CSerialComm* port);

    // The GPS port of the manager (created on first use).
    CSerialComm* port() { return m_manager.GetGpsPort(); }
    CPortManager& manager() { return m_manager; }

    // "Aktiv" in the settings store: whether the receiver was running.
    static int ReadAktiv();
    static void WriteAktiv(int value);

    // Parsed limits, read by IsFixUsable.
    std::int32_t maxGpsAge() const { return m_nMaxGpsAge; }
    std::int32_t maxDgpsAge() const { return m_nMaxDgpsAge; }
    std::int32_t minSatCount() const { return m_nMinSatCount; }
    double maxHdop() const { return m_dMaxHdop; }
    // Seconds between two samples of a measurement, and fixes averaged into one point.
    int interval() const { return m_nInterval; }
    int average() const { return m_nAverage; }
    bool allTalkers() const { return m_nAllTalkers != 0; }

    // The working copy as shown and stored.
    QString m_strPort = QStringLiteral("COM1");
    QString m_strBaud = QStringLiteral("4800");
    QString m_strMaxGpsAge = QStringLiteral("5");
    QString m_strMaxDgpsAge = QStringLiteral("0");
    QString m_strMaxHdop = QStringLiteral("8.0");
    QString m_strMinSatCount = QStringLiteral("4");
    int m_nInterval = 1;
    int m_nAverage = 1;
    int m_nAllTalkers = 0;
    // gpsd and replay sources the user typed before, offered again in the port list.
    QStringList m_knownSources;

    // What the search shows while it runs.
    class SearchHooks {
    public:
        virtual ~SearchHooks() = default;
        // The combination being tried (or, at the end of a failed search, the one restored).
        virtual void SelectEntries(const QString& port, const QString& baud) = 0;
        // Called before the closing message box.
        virtual void EndWaitCursor() {}
    };
    enum class SearchResult { Found, NotFound, Cancelled };

    // Tries every port with every baud rate, waiting (with the event loop and so the poll
    // running) for sentences. Found: that port stays open and selected. NotFound: the port is
    // closed and the previous selection restored. Cancelled: RequestCancel() was called during
    // a wait; the port stays as it is.
    SearchResult SearchReceiver(const QStringList& ports, const QStringList& bauds, SearchHooks* hooks);
    bool searching() const { return m_bSearching; }
    bool cancelRequested() const { return m_bCancelRequested; }
    void RequestCancel() { m_bCancelRequested = true; }
    // The wait per combination (3 s; tests shorten it).
    void setSearchWaitMs(int ms) { m_searchWaitMs = ms; }

    // The ports offered by the dialog: the machine's serial ports plus typed sources.
    QStringList AvailablePorts() const;
    void setPortLister(std::function<QStringList(const QStringList&)> lister) { m_portLister = std::move(lister); }

    void SetClock(GpsClock clock) { m_clock = std::move(clock); }

protected:
    void ParseLimits();
    void RememberSource(const QString& port);

private:
    CPortManager& m_manager;
    std::int32_t m_nMaxGpsAge = 5;
    std::int32_t m_nMaxDgpsAge = 0;
    std::int32_t m_nMinSatCount = 4;
    double m_dMaxHdop = 8.0;
    bool m_bSearching = false;
    bool m_bCancelRequested = false;
    int m_searchWaitMs = kSearchWaitMs;
    std::function<QStringList(const QStringList&)> m_portLister;
    GpsClock m_clock;
};

}  // namespace korvel
