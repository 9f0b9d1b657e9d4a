#pragma once
// The dockable bars of the main window: CCustomBar remembers its size in its own settings
// section and follows the system colours; CSatviewBar (sky plot) and CGpsFindBar (compass)
// are the two bars the program has. Their drawing widgets are handed in with SetClient.
// What the two GPS bars read (receiver port, find marker, document system) is given to them
// with SetSource by the window that knows which view and document are active.

#include <QColor>
#include <QDockWidget>
#include <QSize>
#include <QString>
#include <QTimer>

namespace korvel {

class CSatviewWnd;
class CGpsFindWnd;
struct GpsBarSource;

class CCustomBar : public QDockWidget {
    Q_OBJECT
public:
    // `barId` is the bar's command id (also its object name for the saved layout),
    // `titleId` the string with its title, `templateSize` the size of a bar never resized.
    CCustomBar(int barId, int titleId, QSize templateSize, QWidget* parent);
    ~CCustomBar() override;

    // Sets the settings section and the remember-size flag, then reads the size from that
    // section (values Width and Height, defaulting to the template size).
    void Create(const QString& section, bool rememberSize = true);

    // The widget that draws the bar's contents (owned by the bar from then on).
    void SetClient(QWidget* client);
    QWidget* client() const { return m_pClient; }

    int barId() const { return m_nBarId; }
    QSize barSize() const { return QSize(m_nWidth, m_nHeight); }
    const QString& section() const { return m_strSection; }

    // Takes the title from the string table again (after a language change).
    void Retranslate();

    // Has the drawing widget lay itself out again (after the built-in layout was restored).
    void RecalcLayout();

    // System colours used by the drawing: button face, highlight, shadow and 3-D light.
    QColor m_crBtnFace;
    QColor m_crBtnHilite;
    QColor m_crBtnShadow;
    QColor m_cr3DLight;

protected:
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

    // The client size a floating bar keeps when the user drags its frame from `old` to
    // `requested`; the base class takes what it gets.
    virtual QSize FloatingClientSize(QSize old, QSize requested) const { (void)old; return requested; }

private:
    void ReadSystemColours();
    void WriteSize() const;

    int m_nBarId;
    int m_nTitleId;
    QString m_strSection;
    bool m_bRememberSize = false;
    int m_nWidth;
    int m_nHeight;
    QWidget* m_pHolder;
    QWidget* m_pClient = nullptr;
    bool m_bConstraining = false;
};

// Sky plot of the satellites in view.
class CSatviewBar : public CCustomBar {
    Q_OBJECT
public:
    explicit CSatviewBar(QWidget* parent);

    CSatviewWnd* satview() const { return m_pSatview; }
    void SetSource(const GpsBarSource& source);

protected:
    // Floating, the plot stays square and at least 150 pixels.
    QSize FloatingClientSize(QSize old, QSize requested) const override;

private:
    CSatviewWnd* m_pSatview;
};

// Compass with the direction of travel and the way to the searched point. Its 100 ms timer
// runs from creation, also while the bar is hidden, and repaints the drawing widget.
class CGpsFindBar : public CCustomBar {
    Q_OBJECT
public:
    explicit CGpsFindBar(QWidget* parent);

    const QTimer& timer() const { return m_timer; }
    CGpsFindWnd* compass() const { return m_pCompass; }
    void SetSource(const GpsBarSource& source);

signals:
    // Every 100 ms: the drawing widget updates its state from the receiver, then repaints.
    void tick();

protected:
    // Floating, the compass stays 50 pixels taller than wide, at least 150 x 200.
    QSize FloatingClientSize(QSize old, QSize requested) const override;

private:
    QTimer m_timer;
    CGpsFindWnd* m_pCompass;
};

}  // namespace korvel
