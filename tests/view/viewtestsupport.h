#pragma once
// What the map view tests share: a host that records what the view tells it, real mouse,
// wheel and key events, and a fixture with one document and its view.

#include "model/gpoint.h"
#include "model/korveldoc.h"
#include "view/korvelview.h"
#include "view/viewhost.h"
#include "view/viewmeasuring.h"
#include "view/viewtool.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QTest>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace korvel {
namespace {

class FakeHost : public ViewHost {
public:
    ToolRegistry* Tools() override { return tools; }
    std::unique_ptr<MeasuringController> CreateMeasuring(CKorvelView& view) override
    {
        return makeMeasuring ? makeMeasuring(view) : nullptr;
    }
    ToolRegistry* tools = nullptr;
    std::function<std::unique_ptr<MeasuringController>(CKorvelView&)> makeMeasuring;

    int CurrentTool() const override { return tool; }
    void SetCurrentTool(int t) override
    {
        tool = t;
        ++toolChanges;
    }
    bool AutoNumbering() const override { return autoNumbering; }
    void SetAutoNumbering(bool on) override { autoNumbering = on; }
    void SetCoordinatePanes(const QString& s, const QString& f, const QString& sec) override
    {
        system = s;
        first = f;
        second = sec;
    }
    QPrinter* Printer() override { return printer; }

    int tool = TOOL_NONE;
    QPrinter* printer = nullptr;
    int toolChanges = 0;
    bool autoNumbering = true;
    QString system, first, second;
};

// Records the regions of every paint the view receives.
class PaintSpy : public QObject {
public:
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Paint) painted += static_cast<QPaintEvent*>(e)->region();
        return false;
    }
    QRegion painted;
};

inline void Mouse(QWidget& w, QEvent::Type type, Qt::MouseButton button, QPoint p, Qt::MouseButtons held)
{
    QMouseEvent e(type, QPointF(p), w.mapToGlobal(QPointF(p)), button, held, Qt::NoModifier);
    QCoreApplication::sendEvent(&w, &e);
}

inline void Click(QWidget& w, QPoint p, QPoint release = QPoint(-1, -1), Qt::MouseButton button = Qt::LeftButton)
{
    if (release == QPoint(-1, -1)) release = p;
    Mouse(w, QEvent::MouseButtonPress, button, p, button);
    if (release != p) Mouse(w, QEvent::MouseMove, Qt::NoButton, release, button);
    Mouse(w, QEvent::MouseButtonRelease, button, release, Qt::NoButton);
}

inline void Wheel(QWidget& w, QPoint p, int delta)
{
    QWheelEvent e(QPointF(p), w.mapToGlobal(QPointF(p)), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                  Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(&w, &e);
}

inline void Key(QWidget& w, int key)
{
    QKeyEvent e(QEvent::KeyPress, key, Qt::NoModifier);
    QCoreApplication::sendEvent(&w, &e);
}

inline double Width(const CKorvelView& v) { return v.GetWorldRect().maxX - v.GetWorldRect().minX; }
inline double Height(const CKorvelView& v) { return v.GetWorldRect().maxY - v.GetWorldRect().minY; }
inline WorldPoint Centre(const CKorvelView& v) { return v.GetViewport().Centre(); }

class ViewTest : public ::testing::Test {
protected:
    void Open(int crs, QSize size = QSize(400, 300))
    {
        doc.OnNewDocument(crs);
        view = std::make_unique<CKorvelView>(&doc, &host);
        view->resize(size);
        view->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(view.get()));
    }

    GPoint* AddPoint(double x, double y)
    {
        auto* p = new GPoint(WorldPoint{x, y});
        EXPECT_TRUE(doc.AddObject(p));
        return p;
    }

    CKorvelDoc doc;
    FakeHost host;
    std::unique_ptr<CKorvelView> view;
};

}  // namespace
}  // namespace korvel
