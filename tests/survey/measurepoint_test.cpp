#include "survey/measurepoint.h"

#include "model/gpoint.h"
#include "model/gtext.h"
#include "support/documentcontent.h"
#include "surveytestsupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <clocale>
#include <string>

namespace korvel {
namespace {

using test::InfoText;
using test::ObjectsOfType;
using test::Report;
using test::SurveyFixture;

constexpr std::int32_t kGk3 = 31467;

QString Text(const CMeasurePoint& dlg, int id)
{
    QWidget* w = dlg.control(id);
    if (auto* l = qobject_cast<QLabel*>(w)) return l->text();
    if (auto* e = qobject_cast<QLineEdit*>(w)) return e->text();
    return {};
}

// Closes the next modal dialog with `ok` once it is done averaging (or at once).
void AnswerNextDialog(bool ok)
{
    QTimer::singleShot(0, [ok] {
        auto* dlg = qobject_cast<CMeasurePoint*>(QApplication::activeModalWidget());
        if (!dlg) return;
        if (ok)
            dlg->accept();
        else
            dlg->reject();
    });
}

TEST(NextPointNumber, IncrementsTheTrailingNumber)
{
    const std::pair<const char*, const char*> rows[] = {
        {"", "1"},
        {"P09", "P10"},
        {"7", "8"},
        {"Schacht", "Schacht1"},
        {"A", "A1"},
        {"P007", "P8"},
        {"12", "13"},
        {"B-9", "B-10"},
        {"99", "100"},
        {"0", "1"},
        {"X000", "X1"},
        {"1a2", "1a3"},
        {"99999999999999999999", "100000000000000000000"},
    };
    for (const auto& [last, next] : rows)
        EXPECT_EQ(NextPointNumber(QString::fromUtf8(last)), QString::fromUtf8(next)) << last;
}

TEST(ParseCoordinate, AcceptsOneNumberWithCommaOrPoint)
{
    struct Row {
        const char* text;
        bool ok;
        double value;
    };
    const Row rows[] = {{"3500000,5", true, 3500000.5},
                        {"3500000.5", true, 3500000.5},
                        {" -12", true, -12.0},
                        {"1e3", true, 1000.0},
                        {"12a", false, 0},
                        {"", false, 0},
                        {"1,2,3", false, 0},
                        {"12 ", false, 0},
                        {"+7.5", true, 7.5},
                        {"+-7", false, 0},
                        {"inf", false, 0},
                        {"ä1", false, 0}};
    // The same under the German locale a surveyor's desktop sets: its decimal comma must not
    // make the point (or the comma turned into one) end the number.
    const std::string saved = std::setlocale(LC_NUMERIC, nullptr);
    for (const char* locale : {"C", "de_DE.UTF-8"}) {
        if (!std::setlocale(LC_NUMERIC, locale)) {
            ADD_FAILURE() << "locale " << locale << " missing (scripts/setup.sh generates it)";
            continue;
        }
        for (const Row& r : rows) {
            double v = 0.0;
            EXPECT_EQ(ParseCoordinate(QString::fromUtf8(r.text), &v), r.ok) << r.text << " " << locale;
            if (r.ok) {
                EXPECT_DOUBLE_EQ(v, r.value) << r.text << " " << locale;
            }
        }
    }
    std::setlocale(LC_NUMERIC, saved.c_str());
}

TEST(HorizontalSpread, MeasuresInMetresOfAMetricSystem)
{
    // Four positions on a square with one-metre sides: each lies sqrt(0.5) m from the mean.
    for (std::int32_t docSys : {kGk3, CRS_WEBMERCATOR, CRS_WGS84, CRS_LOCAL}) {
        const WorldPoint corner{3500000.0, 5500000.0};
        std::vector<WorldPoint> deg;
        for (WorldPoint d : {WorldPoint{0, 0}, WorldPoint{1, 0}, WorldPoint{1, 1}, WorldPoint{0, 1}}) {
            WorldPoint p{corner.x + d.x, corner.y + d.y};
            CoordTransform toWgs{1, kGk3, CRS_WGS84};
            ASSERT_TRUE(TransformPoint(&p, &toWgs));
            deg.push_back(p);
        }
        // UTM and Gauss-Krüger differ in scale by a few parts in ten thousand.
        EXPECT_NEAR(HorizontalSpread(deg, docSys), std::sqrt(0.5), 1e-3) << docSys;
        EXPECT_EQ(HorizontalSpread({deg[0]}, docSys), 0.0);
    }
}

class MeasurePointTest : public SurveyFixture {};

TEST_F(MeasurePointTest, AveragesFiveFixesTwoSecondsApartAndSkipsARepeatedFixTime)
{
    Open(kGk3);
    gps.settings.m_nAverage = 5;
    gps.settings.m_nInterval = 2;
    doc.m_strLastPointNo = QStringLiteral("P09");
    const WorldPoint base{3500100.0, 5500200.0};
    ASSERT_TRUE(gps.SendAt(base, kGk3));
    CMeasurePoint dlg(*view, &host);
    EXPECT_EQ(dlg.sampleCount(), 1u) << "the first step runs at once";
    EXPECT_EQ(dlg.timerInterval(), 2000);
    EXPECT_EQ(Text(dlg, 1011), QStringLiteral("Mittelung: Punkt 1 von 5"));
    EXPECT_EQ(static_cast<QProgressBar*>(dlg.control(1010))->value(), 20);
    EXPECT_FALSE(dlg.control(1)->isEnabled());
    EXPECT_TRUE(dlg.control(1012)->isHidden());

    dlg.SampleStep();  // the same fix again: not counted
    EXPECT_EQ(dlg.sampleCount(), 1u);
    EXPECT_EQ(Text(dlg, 1011), QStringLiteral("Mittelung: Punkt 1 von 5"));

    const double dx[] = {0.0, 2.0, 4.0, -1.0, 5.0};
    const double dy[] = {0.0, 1.0, -3.0, 2.0, 5.0};
    for (int i = 1; i < 5; ++i) {
        ASSERT_TRUE(gps.SendAt(WorldPoint{base.x + dx[i], base.y + dy[i]}, kGk3));
        dlg.SampleStep();
        EXPECT_EQ(dlg.sampleCount(), std::uint32_t(i + 1));
    }
    ASSERT_TRUE(dlg.done());
    EXPECT_NEAR(dlg.position().x, base.x + 2.0, 1e-3);
    EXPECT_NEAR(dlg.position().y, base.y + 1.0, 1e-3);
    EXPECT_FALSE(dlg.timerActive());
    EXPECT_TRUE(dlg.control(1)->isEnabled());
    EXPECT_TRUE(static_cast<QPushButton*>(dlg.control(1))->isDefault());
    EXPECT_TRUE(dlg.control(1010)->isHidden());
    EXPECT_TRUE(dlg.control(1011)->isHidden());
    EXPECT_EQ(Text(dlg, 1016), QStringLiteral("Rechts:"));
    EXPECT_EQ(Text(dlg, 1017), QStringLiteral("Hoch:"));
    EXPECT_EQ(Text(dlg, 1012), QString::asprintf("%.3lf", dlg.position().x));
    EXPECT_EQ(Text(dlg, 1014), QStringLiteral("P10"));
    EXPECT_TRUE(static_cast<QLineEdit*>(dlg.control(1012))->isReadOnly()) << "GPS mode shows, never edits";
    EXPECT_FALSE(dlg.control(1029)->isEnabled());
}

TEST_F(MeasurePointTest, RejectedFixesAreRetriedEvery100msWithoutProgress)
{
    Open(kGk3);
    gps.settings.m_nAverage = 3;
    Report bad{9.0, 50.0, 20.0};  // HDOP above the limit
    ASSERT_TRUE(gps.Send(bad));
    CMeasurePoint dlg(*view, &host);
    EXPECT_EQ(dlg.sampleCount(), 0u);
    EXPECT_EQ(dlg.timerInterval(), CMeasurePoint::kRetryMs);
    const QString before = Text(dlg, 1011);
    EXPECT_TRUE(test::WaitUntil([&] { return false; }, 350) == false);  // several retries pass
    EXPECT_EQ(dlg.sampleCount(), 0u);
    EXPECT_EQ(Text(dlg, 1011), before);
    EXPECT_EQ(dlg.timerInterval(), CMeasurePoint::kRetryMs);

    ASSERT_TRUE(gps.Send(Report{9.0, 50.0, 1.0}));
    ASSERT_TRUE(test::WaitUntil([&] { return dlg.sampleCount() == 1; }, 2000));
    EXPECT_EQ(Text(dlg, 1011), QStringLiteral("Mittelung: Punkt 1 von 3"));
}

TEST_F(MeasurePointTest, AVanishedReceiverYieldsNoPointFromItsLastFix)
{
    Open(kGk3);
    gps.settings.m_nAverage = 2;
    ASSERT_TRUE(gps.Send(Report{9.0, 50.0}));
    CMeasurePoint dlg(*view, &host);
    ASSERT_EQ(dlg.sampleCount(), 1u);
    gps.Unplug();
    // Its last fix still sits in the record; even a record that claims a new fix time does
    // not count while the device is gone.
    gps.settings.port()->fix().fixTime += 5;
    dlg.SampleStep();
    EXPECT_EQ(dlg.sampleCount(), 1u);
    EXPECT_FALSE(dlg.done());
    EXPECT_EQ(dlg.timerInterval(), CMeasurePoint::kRetryMs);
    gps.Plug();
    ASSERT_TRUE(gps.Send(Report{9.00001, 50.0}));
    dlg.SampleStep();
    EXPECT_TRUE(dlg.done());
}

TEST_F(MeasurePointTest, ShowsDegreesInWebMercatorAndMetresElsewhere)
{
    struct Row {
        std::int32_t crs;
        const char* first;
        const char* x;
    };
    const Row rows[] = {{CRS_WEBMERCATOR, "Longitude:", "9.123457"},
                        {CRS_WGS84, "Longitude:", "9.123457"},
                        {kGk3, "Rechts:", nullptr}};
    for (const Row& r : rows) {
        Open(r.crs);
        ASSERT_TRUE(gps.Send(Report{9.1234567, 50.7654321}));
        CMeasurePoint dlg(*view, &host);
        ASSERT_TRUE(dlg.done());
        EXPECT_EQ(Text(dlg, 1016), QString::fromUtf8(r.first)) << r.crs;
        if (r.x) {
            EXPECT_EQ(Text(dlg, 1012), QString::fromUtf8(r.x)) << r.crs;
            EXPECT_EQ(Text(dlg, 1013), QStringLiteral("50.765432")) << r.crs;
        } else {
            EXPECT_EQ(Text(dlg, 1012), QString::asprintf("%.3lf", dlg.position().x));
            EXPECT_EQ(Text(dlg, 1017), QStringLiteral("Hoch:"));
        }
    }
}

TEST_F(MeasurePointTest, ShowsTheSpreadOfFourFixesAMetreApart)
{
    Open(kGk3);
    gps.settings.m_nAverage = 4;
    const WorldPoint c{3500000.0, 5500000.0};
    const double hdops[] = {0.9, 2.5, 1.1, 0.8};
    const WorldPoint offsets[] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    std::unique_ptr<CMeasurePoint> dlg;
    for (int i = 0; i < 4; ++i) {
        WorldPoint p{c.x + offsets[i].x, c.y + offsets[i].y};
        CoordTransform toWgs{1, kGk3, CRS_WGS84};
        TransformPoint(&p, &toWgs);
        ASSERT_TRUE(gps.Send(Report{p.x, p.y, hdops[i]}));
        if (!dlg)
            dlg = std::make_unique<CMeasurePoint>(*view, &host);
        else
            dlg->SampleStep();
    }
    ASSERT_TRUE(dlg->done());
    EXPECT_NEAR(dlg->spread(), std::sqrt(0.5), 1e-3);
    EXPECT_DOUBLE_EQ(dlg->worstHdop(), 2.5);
    EXPECT_FALSE(dlg->control(1030)->isHidden());
    EXPECT_EQ(Text(*dlg, 1030), QStringLiteral("Streuung: 0.71 m, größter HDOP: 2.5"));
    EXPECT_NEAR(dlg->position().x, c.x + 0.5, 1e-3);
}

TEST_F(MeasurePointTest, ManualModeReadsCommaDecimalsAndRejectsGarbage)
{
    Open(kGk3);
    const WorldPoint clicked{3500010.123456, 5500020.654321};
    CMeasurePoint dlg(*view, &host, &clicked);
    ASSERT_TRUE(dlg.done());
    EXPECT_TRUE(dlg.control(1010)->isHidden());
    EXPECT_FALSE(static_cast<QLineEdit*>(dlg.control(1012))->isReadOnly());
    EXPECT_TRUE(dlg.control(1029)->isEnabled());
    EXPECT_TRUE(dlg.control(1030)->isHidden()) << "no spread for a clicked point";

    static_cast<QLineEdit*>(dlg.control(1013))->setText(QStringLiteral("12a"));
    dlg.accept();
    EXPECT_EQ(dlg.result(), QDialog::Rejected) << "stays open";
    EXPECT_EQ(Text(dlg, 1013), QStringLiteral("Wert ungültig!"));
    EXPECT_EQ(Text(dlg, 1012), QStringLiteral("3500010.123")) << "a valid field keeps its text";

    static_cast<QLineEdit*>(dlg.control(1012))->setText(QStringLiteral("3500000,5"));
    static_cast<QLineEdit*>(dlg.control(1013))->setText(QStringLiteral("5500000"));
    dlg.accept();
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_DOUBLE_EQ(dlg.position().x, 3500000.5);
    EXPECT_DOUBLE_EQ(dlg.position().y, 5500000.0);
}

TEST_F(MeasurePointTest, ManualModeKeepsTheUnroundedPositionAndTakesDegreesInWebMercator)
{
    Open(CRS_WEBMERCATOR);
    WorldPoint clicked{1000000.123456, 6500000.654321};
    {
        CMeasurePoint dlg(*view, &host, &clicked);
        dlg.accept();
        EXPECT_EQ(dlg.position(), clicked) << "unchanged texts keep the exact position";
    }
    CMeasurePoint dlg(*view, &host, &clicked);
    static_cast<QLineEdit*>(dlg.control(1012))->setText(QStringLiteral("9,5"));
    static_cast<QLineEdit*>(dlg.control(1013))->setText(QStringLiteral("50"));
    dlg.accept();
    WorldPoint expected{9.5, 50.0};
    CoordTransform toMercator{1, CRS_WGS84, CRS_WEBMERCATOR};
    TransformPoint(&expected, &toMercator);
    EXPECT_NEAR(dlg.position().x, expected.x, 1e-6);
    EXPECT_NEAR(dlg.position().y, expected.y, 1e-6);
}

TEST_F(MeasurePointTest, FirstPointIntoAnEmptyLocalDocumentSwitchesItToWebMercator)
{
    Open(CRS_LOCAL);
    ASSERT_TRUE(gps.Send(Report{9.0, 50.0}));
    AnswerNextDialog(true);
    ASSERT_TRUE(CMeasurePoint::MeasureWithGps(*view, &host));
    EXPECT_EQ(doc.m_nCoordSys, CRS_WEBMERCATOR);
    const auto points = ObjectsOfType(doc, GT_POINT);
    ASSERT_EQ(points.size(), 1u);
    WorldPoint expected{9.0, 50.0};
    CoordTransform toMercator{1, CRS_WGS84, CRS_WEBMERCATOR};
    TransformPoint(&expected, &toMercator);
    EXPECT_NEAR(points[0]->m_ptPos.x, expected.x, 1e-3);
    EXPECT_NEAR(points[0]->m_ptPos.y, expected.y, 1e-3);
}

TEST_F(MeasurePointTest, GpsPointGetsNumberLabelAndTheViewCentresOnIt)
{
    Open(kGk3);
    doc.m_strLastPointNo = QStringLiteral("Schacht");
    host.font.lfHeight = -17;
    ASSERT_TRUE(gps.SendAt(WorldPoint{3500500.0, 5500500.0}, kGk3));
    AnswerNextDialog(true);
    ASSERT_TRUE(CMeasurePoint::MeasureWithGps(*view, &host));
    const auto points = ObjectsOfType(doc, GT_POINT);
    const auto labels = ObjectsOfType(doc, GT_TEXT);
    ASSERT_EQ(points.size(), 1u);
    ASSERT_EQ(labels.size(), 1u);
    EXPECT_EQ(InfoText(*points[0], "PTNR"), QStringLiteral("Schacht1"));
    EXPECT_EQ(doc.m_strLastPointNo, QStringLiteral("Schacht1"));
    const auto* label = static_cast<const GText*>(labels[0]);
    EXPECT_EQ(label->m_strText, QStringLiteral("Schacht1"));
    EXPECT_EQ(label->m_crColor, host.colour);
    EXPECT_EQ(label->m_ptPos, points[0]->m_ptPos);
    const WorldPoint centre = view->GetViewport().Centre();
    EXPECT_NEAR(centre.x, points[0]->m_ptPos.x, view->GetScale());
    EXPECT_NEAR(centre.y, points[0]->m_ptPos.y, view->GetScale());

    // Abbrechen creates nothing.
    AnswerNextDialog(false);
    EXPECT_FALSE(CMeasurePoint::MeasureWithGps(*view, &host));
    EXPECT_EQ(ObjectsOfType(doc, GT_POINT).size(), 1u);
}

TEST_F(MeasurePointTest, AutomaticNumberingCreatesPointsWithoutTheDialog)
{
    Open(kGk3);
    host.autoNumbering = true;
    for (int i = 0; i < 3; ++i) {
        const WorldPoint at{3500000.0 + i, 5500000.0};
        ASSERT_TRUE(CMeasurePoint::MeasureManually(*view, &host, at));
    }
    const auto points = ObjectsOfType(doc, GT_POINT);
    ASSERT_EQ(points.size(), 3u);
    EXPECT_EQ(InfoText(*points[0], "PTNR") + InfoText(*points[1], "PTNR") + InfoText(*points[2], "PTNR"),
              QStringLiteral("123"));
    EXPECT_EQ(ObjectsOfType(doc, GT_TEXT).size(), 3u);

    // Without the flag the dialog runs, and its check box becomes the flag.
    host.autoNumbering = false;
    QTimer::singleShot(0, [] {
        auto* dlg = qobject_cast<CMeasurePoint*>(QApplication::activeModalWidget());
        if (!dlg) return;
        static_cast<QCheckBox*>(dlg->control(1029))->setChecked(true);
        dlg->accept();
    });
    ASSERT_TRUE(CMeasurePoint::MeasureManually(*view, &host, WorldPoint{3500010.0, 5500000.0}));
    EXPECT_TRUE(host.autoNumbering);
    EXPECT_EQ(doc.m_strLastPointNo, QStringLiteral("4"));
}

}  // namespace
}  // namespace korvel
