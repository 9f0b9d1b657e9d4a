// The import and export commands as the user meets them: the two export dialogs, the file
// dialogs answered in the user's place, the remembered folders, the messages, and the printer
// set-up that all views print with.
#include "app/documentkinds.h"
#include "app/exchangecommands.h"

#include "app/appsettings.h"

#include "app/coordsysdlg.h"
#include "app/exportshapedlg.h"
#include "app/exportzentodlg.h"
#include "app/korvelapp.h"
#include "app/korvelwnd.h"
#include "app/mainframe.h"
#include "app/printsetupdlg.h"
#include "apptestsupport.h"
#include "crs/transform.h"
#include "model/cobjenum.h"
#include "model/glist.h"
#include "model/gpoint.h"
#include "model/gpolyline.h"
#include "model/gring.h"
#include "model/korveldoc.h"
#include "support/documentcontent.h"
#include "support/testsupport.h"
#include "view/korvelview.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QToolBar>

namespace korvel {
namespace {

const QDateTime kNow(QDate(2011, 12, 7), QTime(13, 5, 0));

bool WriteAll(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

GPoint* AddPoint(CKorvelDoc& doc, WorldPoint p, const QString& name = QString())
{
    auto* point = new GPoint(p);
    if (!name.isEmpty()) point->SetInfo(QStringLiteral("PTNR"), name);
    point->CalcBounds();
    doc.AddObject(point);
    return point;
}

GPolygon* AddSquare(CKorvelDoc& doc, WorldPoint lowerLeft, double side)
{
    auto ring = std::make_unique<GRing>();
    ring->Add(lowerLeft);
    ring->Add(WorldPoint{lowerLeft.x + side, lowerLeft.y});
    ring->Add(WorldPoint{lowerLeft.x + side, lowerLeft.y + side});
    ring->Add(WorldPoint{lowerLeft.x, lowerLeft.y + side});
    auto* polygon = new GPolygon(std::move(ring));
    polygon->SetInfo(QStringLiteral("Schlag"), QStringLiteral("Nordfeld"));
    polygon->CalcBounds();
    doc.AddObject(polygon);
    return polygon;
}

// ---------------------------------------------------------------------------------------------
// The dialogs on their own

TEST(ExportShapeDlgTest, OnlyTheKindsOfTheDocumentCanBeChosen)
{
    CExportShapeDlg dlg;
    dlg.m_nKinds = GT_POLYGON;
    dlg.m_strFolder = QStringLiteral("/daten");
    dlg.InitControls(kNow);
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Shape - Export"));
    EXPECT_EQ(dlg.folderEdit()->text(), QStringLiteral("/daten"));
    EXPECT_EQ(dlg.nameEdit(GT_POINT)->text(), QStringLiteral("111207_130500_point.shp"));
    EXPECT_EQ(dlg.nameEdit(GT_POLYLINE)->text(), QStringLiteral("111207_130500_polyline.shp"));
    EXPECT_EQ(dlg.nameEdit(GT_POLYGON)->text(), QStringLiteral("111207_130500_polygon.shp"));
    for (uint32_t kind : {GT_POINT, GT_POLYLINE}) {
        EXPECT_FALSE(dlg.checkBox(kind)->isChecked()) << kind;
        EXPECT_FALSE(dlg.checkBox(kind)->isEnabled()) << kind;
        EXPECT_FALSE(dlg.nameEdit(kind)->isEnabled()) << kind;
    }
    EXPECT_TRUE(dlg.checkBox(GT_POLYGON)->isChecked());
    EXPECT_TRUE(dlg.nameEdit(GT_POLYGON)->isEnabled());

    // Unchecking a kind locks its name, checking it again frees it.
    dlg.checkBox(GT_POLYGON)->click();
    EXPECT_FALSE(dlg.nameEdit(GT_POLYGON)->isEnabled());
    dlg.checkBox(GT_POLYGON)->click();
    EXPECT_TRUE(dlg.nameEdit(GT_POLYGON)->isEnabled());
}

TEST(ExportShapeDlgTest, NamesGetTheirExtensionAndExistingFilesAreAskedFor)
{
    QTemporaryDir dir;
    ASSERT_TRUE(WriteAll(dir.filePath(QStringLiteral("Wege.dbf")), "x"));  // only the table is there
    test::MessageRecorder messages(IDNO);
    CExportShapeDlg dlg;
    dlg.m_nKinds = GT_POINT | GT_POLYLINE;
    dlg.InitControls(kNow);
    dlg.folderEdit()->setText(dir.path() + QStringLiteral("//"));
    dlg.nameEdit(GT_POINT)->setText(QStringLiteral("Punkte.SHP"));
    dlg.nameEdit(GT_POLYLINE)->setText(QStringLiteral("Wege"));

    // "No" leaves the dialog open with every entry kept.
    dlg.accept();
    EXPECT_NE(dlg.result(), QDialog::Accepted);
    ASSERT_EQ(messages.messages().size(), 1u);
    EXPECT_EQ(messages.messages()[0].text,
              QStringLiteral("Die Datei \"Wege.shp\" ist bereits vorhanden.\nWollen Sie diese Datei ersetzen?"));
    EXPECT_EQ(messages.messages()[0].caption, QStringLiteral("Datei vorhanden"));
    EXPECT_EQ(messages.messages()[0].type, unsigned(MB_YESNO | MB_ICONQUESTION));
    EXPECT_EQ(dlg.nameEdit(GT_POLYLINE)->text(), QStringLiteral("Wege"));

    messages.setAnswer(IDYES);
    dlg.accept();
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(dlg.m_strFolder, dir.path());
    EXPECT_EQ(dlg.m_strPointName, QStringLiteral("Punkte.SHP"));
    EXPECT_EQ(dlg.m_strPolylineName, QStringLiteral("Wege.shp"));
    EXPECT_EQ(dlg.m_nKinds, GT_POINT | GT_POLYLINE);
}

TEST(ExportShapeDlgTest, TheBrowseButtonReplacesTheFolderUnlessCancelled)
{
    CExportShapeDlg dlg;
    dlg.m_strFolder = QStringLiteral("/alt");
    dlg.InitControls(kNow);
    QString shownStart;
    QString answer = QStringLiteral("/neu");
    dlg.pickFolder = [&](QWidget*, const QString& start) {
        shownStart = start;
        return answer;
    };
    dlg.browseButton()->click();
    EXPECT_EQ(shownStart, QStringLiteral("/alt"));
    EXPECT_EQ(dlg.folderEdit()->text(), QStringLiteral("/neu"));
    answer.clear();  // cancelled
    dlg.browseButton()->click();
    EXPECT_EQ(dlg.folderEdit()->text(), QStringLiteral("/neu"));
}

TEST(ExportZentoDlgTest, ListsAreSortedAndHandBackTheSelectionInListOrder)
{
    CExportZento dlg;
    dlg.m_areaNames = {QStringLiteral("Schlag"), QStringLiteral("flaeche"), QStringLiteral("Art")};
    dlg.m_pointNames = {QStringLiteral("RECHTS"), QStringLiteral("HOCH"), QStringLiteral("ptnr")};
    dlg.m_strFolder = QStringLiteral("/export");
    dlg.m_bAllPoints = 1;
    dlg.InitControls();
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("ZENTO - Export"));
    EXPECT_TRUE(dlg.allPointsBox()->isChecked());
    ASSERT_EQ(dlg.areaList()->count(), 3);
    EXPECT_EQ(dlg.areaList()->item(0)->text(), QStringLiteral("Art"));
    EXPECT_EQ(dlg.areaList()->item(1)->text(), QStringLiteral("flaeche"));
    EXPECT_EQ(dlg.areaList()->item(2)->text(), QStringLiteral("Schlag"));
    EXPECT_TRUE(dlg.areaList()->selectedItems().isEmpty());
    EXPECT_EQ(dlg.pointList()->selectionMode(), QAbstractItemView::MultiSelection);

    // Selected in another order than the list's: handed back in list order.
    dlg.pointList()->item(2)->setSelected(true);  // RECHTS
    dlg.pointList()->item(0)->setSelected(true);  // HOCH
    dlg.allPointsBox()->setChecked(false);
    dlg.folderEdit()->setText(QStringLiteral(" /anders/ "));
    dlg.accept();
    EXPECT_EQ(dlg.m_pointNames, (QStringList{QStringLiteral("HOCH"), QStringLiteral("RECHTS")}));
    EXPECT_TRUE(dlg.m_areaNames.isEmpty());
    EXPECT_EQ(dlg.m_bAllPoints, 0);
    EXPECT_EQ(dlg.m_strFolder, QStringLiteral(" /anders/ "));  // as entered
}

TEST(ExchangeFilterTest, TableFiltersBecomeFileDialogFilters)
{
    EXPECT_EQ(FileDialogFilter(QStringLiteral("Shapedatei (*.shp)|*.shp|Alle Dateien (*.*)|*.*||")),
              QStringLiteral("Shapedatei (*.shp);;Alle Dateien (*)"));
    EXPECT_EQ(FileDialogFilter(QStringLiteral("Bilder (*.tif; *.jpg)|*.tif; *.jpg|")),
              QStringLiteral("Bilder (*.tif *.jpg)"));
    EXPECT_EQ(FileDialogFilter(QStringLiteral("Positionsdateien|*.geo||")), QStringLiteral("Positionsdateien (*.geo)"));
}

// ---------------------------------------------------------------------------------------------
// The commands in the running program

class ExchangeCommandTest : public test::RunningProgramTest {
protected:
    void SetUp() override
    {
        RunningProgramTest::SetUp();
        if (HasFatalFailure()) return;
        // No real window may open: every dialog is answered here or refused.
        frame->exchangeDialogs.openFiles = [this](QWidget*, const QString& filter, const QString& folder) {
            shownFilter = filter;
            shownFolder = folder;
            return filesToOpen;
        };
        frame->exchangeDialogs.exportShape = [](CExportShapeDlg&) { return false; };
        frame->exchangeDialogs.exportZento = [](CExportZento&) { return false; };
        frame->exchangeDialogs.coordSys = [](CCoordSysDlg&) { return false; };
    }

    bool Enabled(int id)
    {
        frame->UpdateCommandUI();
        return frame->action(id) && frame->action(id)->isEnabled();
    }

    QTemporaryDir dir;
    QStringList filesToOpen;
    QString shownFilter;
    QString shownFolder;
};

TEST_F(ExchangeCommandTest, MenusAndBarOfferTheCommandsWhenTheyCanRun)
{
    // The Import/Export bar holds the four commands.
    QToolBar* bar = frame->toolBar(59401);
    ASSERT_NE(bar, nullptr);
    for (int id : {ID_IMPORT_ZENTO, ID_EXPORT_ZENTO, ID_IMPORT_SHAPE, ID_EXPORT_SHAPE}) {
        EXPECT_TRUE(bar->actions().contains(frame->action(id))) << id;
    }
    EXPECT_EQ(frame->action(ID_IMPORT_SHAPE)->statusTip(), QStringLiteral("Liest Shape-Dateien ein."));
    EXPECT_EQ(frame->action(ID_EXPORT_ZENTO)->toolTip(), QStringLiteral("Export ZENTO"));

    // An empty web-mercator document: both imports, no export.
    ASSERT_EQ(doc->m_nCoordSys, 900913);
    EXPECT_TRUE(Enabled(ID_IMPORT_SHAPE));
    EXPECT_TRUE(Enabled(ID_IMPORT_ZENTO));
    EXPECT_FALSE(Enabled(ID_EXPORT_SHAPE));
    EXPECT_FALSE(Enabled(ID_EXPORT_ZENTO));

    // A line can go to a shapefile but not to the handheld.
    auto ring = std::make_unique<GRing>();
    ring->Add(WorldPoint{0, 0});
    ring->Add(WorldPoint{10, 10});
    doc->AddObject(new GPolyline(std::move(ring)));
    EXPECT_TRUE(Enabled(ID_EXPORT_SHAPE));
    EXPECT_FALSE(Enabled(ID_EXPORT_ZENTO));
    AddPoint(*doc, WorldPoint{5, 5});
    EXPECT_TRUE(Enabled(ID_EXPORT_ZENTO));
    // Without a coordinate system the handheld files cannot be written.
    doc->m_nCoordSys = 0;
    EXPECT_FALSE(Enabled(ID_EXPORT_ZENTO));
    EXPECT_TRUE(Enabled(ID_EXPORT_SHAPE));

    // Without a document window none of them.
    doc->SetModifiedFlag(false);
    wnd->close();
    QApplication::processEvents();
    for (int id : {ID_IMPORT_ZENTO, ID_EXPORT_ZENTO, ID_IMPORT_SHAPE, ID_EXPORT_SHAPE}) EXPECT_FALSE(Enabled(id)) << id;
}

TEST_F(ExchangeCommandTest, ShapeExportWritesTheChosenKindsAndTheImportBringsThemBack)
{
    doc->m_nCoordSys = 31467;
    AddPoint(*doc, WorldPoint{3500100.0, 5500100.0}, QStringLiteral("17"));
    AddSquare(*doc, WorldPoint{3500000.0, 5500000.0}, 200.0);
    frame->m_strShapeExportDir = QStringLiteral("/nirgends");

    bool pointChecked = false;
    bool lineEnabled = true;
    QString shownFolder;
    frame->exchangeDialogs.exportShape = [&](CExportShapeDlg& dlg) {
        dlg.InitControls(kNow);
        shownFolder = dlg.folderEdit()->text();
        pointChecked = dlg.checkBox(GT_POINT)->isChecked();
        lineEnabled = dlg.checkBox(GT_POLYLINE)->isEnabled();
        dlg.folderEdit()->setText(dir.path() + QLatin1Char('/'));
        dlg.nameEdit(GT_POLYGON)->setText(QStringLiteral("Flurstuecke"));
        dlg.accept();
        return dlg.result() == QDialog::Accepted;
    };
    ASSERT_TRUE(frame->RunCommand(ID_EXPORT_SHAPE));
    EXPECT_EQ(shownFolder, QStringLiteral("/nirgends"));
    EXPECT_TRUE(pointChecked);
    EXPECT_FALSE(lineEnabled);
    for (const char* name : {"111207_130500_point.shp", "111207_130500_point.dbf", "Flurstuecke.shp",
                             "Flurstuecke.shx", "Flurstuecke.dbf"}) {
        EXPECT_TRUE(QFileInfo::exists(dir.filePath(QString::fromLatin1(name)))) << name;
    }
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("111207_130500_polyline.shp"))));
    EXPECT_EQ(frame->m_strShapeExportDir, dir.path());

    // Into a second document of the same system, through the import command.
    CKorvelWnd* second = m_app->OnFileNew();
    ASSERT_NE(second, nullptr);
    second->document()->m_nCoordSys = 31467;
    frame->m_strShapeImportDir = QStringLiteral("/vorher");
    filesToOpen = {dir.filePath(QStringLiteral("111207_130500_point.shp")), dir.filePath(QStringLiteral("fehlt.shp")),
                   dir.filePath(QStringLiteral("Flurstuecke.shp"))};
    test::MessageRecorder messages;
    ASSERT_TRUE(frame->RunCommand(ID_IMPORT_SHAPE));
    EXPECT_EQ(this->shownFolder, QStringLiteral("/vorher"));
    EXPECT_EQ(shownFilter, QStringLiteral("Shapedatei (*.shp);;Alle Dateien (*)"));
    // The missing file is reported with its path; the others are read.
    ASSERT_EQ(messages.messages().size(), 1u);
    EXPECT_EQ(messages.messages()[0].textId, 20001);
    EXPECT_TRUE(messages.messages()[0].text.contains(dir.filePath(QStringLiteral("fehlt.shp"))));
    EXPECT_EQ(messages.messages()[0].caption, QStringLiteral("Fehler"));
    CKorvelDoc* copy = second->document();
    EXPECT_EQ(test::ObjectsOfType(*copy, GT_POINT).size(), 1u);
    EXPECT_EQ(test::ObjectsOfType(*copy, GT_POLYGON).size(), 1u);
    EXPECT_TRUE(copy->IsModified());
    EXPECT_EQ(frame->m_strShapeImportDir, dir.path());
    // The view was fitted to what came in.
    const WorldRect shown = second->view()->GetWorldRect();
    EXPECT_LE(shown.minX, 3500000.0);
    EXPECT_GE(shown.maxX, 3500200.0);
}

TEST_F(ExchangeCommandTest, AShapeExportThatCannotCreateItsFileStopsAndSaysSo)
{
    AddPoint(*doc, WorldPoint{1000.0, 2000.0});
    frame->m_strShapeExportDir = QStringLiteral("/vorher");
    const QString missing = dir.filePath(QStringLiteral("gibt/es/nicht"));
    frame->exchangeDialogs.exportShape = [&](CExportShapeDlg& dlg) {
        dlg.InitControls(kNow);
        dlg.folderEdit()->setText(missing);
        dlg.accept();
        return dlg.result() == QDialog::Accepted;
    };
    test::MessageRecorder messages;
    ASSERT_TRUE(frame->RunCommand(ID_EXPORT_SHAPE));
    ASSERT_EQ(messages.messages().size(), 1u);
    EXPECT_EQ(messages.messages()[0].textId, 1207);
    EXPECT_TRUE(messages.messages()[0].text.startsWith(QStringLiteral("Die Datei \"") + missing));
    EXPECT_EQ(frame->m_strShapeExportDir, QStringLiteral("/vorher"));
}

TEST_F(ExchangeCommandTest, AShapeExportTellsHowManyNumbersDidNotFit)
{
    doc->m_nCoordSys = 31467;
    for (const char* height : {"123456.78", "1.5"}) {
        auto* point = new GPoint(WorldPoint{3500100.0, 5500100.0});
        point->SetInfo(QStringLiteral("HOEHE"), QString::fromLatin1(height), 0x0205);
        ASSERT_TRUE(doc->AddObject(point));
    }
    frame->exchangeDialogs.exportShape = [&](CExportShapeDlg& dlg) {
        dlg.InitControls(kNow);
        dlg.folderEdit()->setText(dir.path());
        dlg.accept();
        return dlg.result() == QDialog::Accepted;
    };
    test::MessageRecorder messages;
    ASSERT_TRUE(frame->RunCommand(ID_EXPORT_SHAPE));
    EXPECT_TRUE(QFileInfo::exists(dir.filePath(QStringLiteral("111207_130500_point.dbf"))));
    ASSERT_EQ(messages.messages().size(), 1u);
    EXPECT_EQ(messages.messages()[0].textId, 1209);
    EXPECT_EQ(messages.messages()[0].text, QStringLiteral("1 Zahlenwerte passten nicht in die Breite ihres Feldes "
                                                          "und wurden als leere Werte (mit * gefüllt) geschrieben."));
    EXPECT_EQ(messages.messages()[0].caption, QStringLiteral("Hinweis"));
}

TEST_F(ExchangeCommandTest, HandheldImportNeedsACoordinateSystemFirst)
{
    doc->m_nCoordSys = 0;
    AddPoint(*doc, WorldPoint{12.0, 34.0});  // a local drawing: it gets the label, no conversion
    ASSERT_TRUE(WriteAll(dir.filePath(QStringLiteral("punkte.pos")),
                         "[Markierungsdatei]\r\n[Beschreibung]\r\n<ID>Weide\r\n[Positionen]\r\n"
                         "9.0 50.0 0 <Info1>\"Pfahl\"\r\n9.001 50.001 0\r\n"));
    ASSERT_TRUE(WriteAll(dir.filePath(QStringLiteral("raster.geo")), "[Rasterdatei]\r\n"));
    filesToOpen = {dir.filePath(QStringLiteral("punkte.pos")), dir.filePath(QStringLiteral("raster.geo")),
                   dir.filePath(QStringLiteral("weg.geo"))};

    // Cancelling the coordinate system dialog ends with the warning, before any file dialog.
    int32_t preset = -1;
    frame->exchangeDialogs.coordSys = [&](CCoordSysDlg& dlg) {
        preset = dlg.m_nCurrent;
        return false;
    };
    test::MessageRecorder messages;
    ASSERT_TRUE(frame->RunCommand(ID_IMPORT_ZENTO));
    EXPECT_EQ(preset, 0);
    ASSERT_EQ(messages.messages().size(), 1u);
    EXPECT_EQ(messages.messages()[0].text, QStringLiteral("Import in ein undefiniertes Koordinatensystem nicht möglich!"));
    EXPECT_EQ(messages.messages()[0].caption, QStringLiteral("Hinweis"));
    EXPECT_EQ(messages.messages()[0].type, unsigned(MB_OK | MB_ICONWARNING));
    EXPECT_TRUE(shownFilter.isEmpty());
    EXPECT_EQ(doc->m_pRoot->GetCount(), 1u);

    // Choosing Gauss-Krüger zone 3: the document takes it, then the files are read.
    frame->exchangeDialogs.coordSys = [](CCoordSysDlg& dlg) {
        dlg.list()->setCurrentIndex(dlg.list()->findData(31467));
        dlg.accept();
        return dlg.result() == QDialog::Accepted;
    };
    frame->m_strZentoImportDir = QStringLiteral("/vorher");
    ASSERT_TRUE(frame->RunCommand(ID_IMPORT_ZENTO));
    EXPECT_EQ(doc->m_nCoordSys, 31467);
    EXPECT_EQ(shownFolder, QStringLiteral("/vorher"));
    EXPECT_EQ(shownFilter,
              QStringLiteral("Positionsdateien (*.geo);;Markierungsdateien (*.pos);;Alle Dateien (*)"));
    ASSERT_EQ(messages.messages().size(), 3u);
    // The raster file by its name alone, the missing one with its whole path.
    EXPECT_EQ(messages.messages()[1].text, QStringLiteral("Das Format der Datei \"raster.geo\" ist ungültig."));
    EXPECT_EQ(messages.messages()[2].text,
              QStringLiteral("Die Datei \"%1\" konnte nicht geöffnet werden.").arg(dir.filePath(QStringLiteral("weg.geo"))));
    EXPECT_EQ(messages.messages()[2].caption, QStringLiteral("Fehler"));
    EXPECT_EQ(test::ObjectsOfType(*doc, GT_POINT).size(), 3u);
    EXPECT_EQ(frame->m_strZentoImportDir, dir.path());
    // The imported points are Gauss-Krüger coordinates near 9° E, 50° N, with their texts.
    const auto points = test::ObjectsOfType(*doc, GT_POINT);
    ASSERT_FALSE(points.empty());
    const GObj* imported = points.back();
    const WorldPoint p = static_cast<const GPoint*>(imported)->m_ptPos;
    WorldPoint expected{9.001, 50.001};
    CoordTransform params{1, 4326, 31467};
    ASSERT_TRUE(TransformPoint(&expected, &params));
    EXPECT_NEAR(p.x, expected.x, 1e-6);
    EXPECT_NEAR(p.y, expected.y, 1e-6);
    EXPECT_EQ(test::InfoText(*imported, "ID"), QStringLiteral("Weide"));
}

TEST_F(ExchangeCommandTest, HandheldExportWritesThePairsAndStopsAtARefusedOverwrite)
{
    doc->m_nCoordSys = 31467;
    AddSquare(*doc, WorldPoint{3500000.0, 5500000.0}, 200.0);
    AddPoint(*doc, WorldPoint{3500100.0, 5500100.0}, QStringLiteral("1"));   // inside
    AddPoint(*doc, WorldPoint{3600000.0, 5600000.0}, QStringLiteral("2"));   // outside
    frame->m_strZentoExportDir = dir.path();

    bool startedChecked = true;
    QStringList offeredAreas;
    frame->exchangeDialogs.exportZento = [&](CExportZento& dlg) {
        dlg.InitControls();
        startedChecked = dlg.allPointsBox()->isChecked();
        for (int i = 0; i < dlg.areaList()->count(); ++i) offeredAreas << dlg.areaList()->item(i)->text();
        const QList<QListWidgetItem*> ptnr = dlg.pointList()->findItems(QStringLiteral("PTNR"), Qt::MatchExactly);
        if (ptnr.size() == 1) ptnr.front()->setSelected(true);
        dlg.allPointsBox()->setChecked(true);
        dlg.accept();
        return true;
    };
    test::MessageRecorder messages(IDYES);
    ASSERT_TRUE(frame->RunCommand(ID_EXPORT_ZENTO));
    EXPECT_FALSE(startedChecked);  // the document has areas
    // The measures every area carries, and its own text, sorted.
    EXPECT_EQ(offeredAreas, (QStringList{QStringLiteral("FLAECHE"), QStringLiteral("Schlag"), QStringLiteral("UMFANG")}));
    EXPECT_TRUE(messages.messages().empty());
    for (const char* name : {"1.geo", "1_1.pos", "2.geo", "2_1.pos"}) {
        EXPECT_TRUE(QFileInfo::exists(dir.filePath(QString::fromLatin1(name)))) << name;
    }
    QFile inside(dir.filePath(QStringLiteral("1_1.pos")));
    ASSERT_TRUE(inside.open(QIODevice::ReadOnly));
    const QByteArray markers = inside.readAll();
    EXPECT_TRUE(markers.contains("\"1\""));
    EXPECT_FALSE(markers.contains("\"2\""));

    // Again: the first existing file is asked for; "No" ends the export there.
    messages.setAnswer(IDNO);
    ASSERT_TRUE(frame->RunCommand(ID_EXPORT_ZENTO));
    ASSERT_EQ(messages.messages().size(), 1u);
    EXPECT_EQ(messages.messages()[0].text,
              QStringLiteral("Die Datei \"1.geo\" ist bereits vorhanden.\nWollen Sie diese Datei ersetzen?"));
}

TEST_F(ExchangeCommandTest, HandheldFilesThatCannotBeWrittenAreNamed)
{
    doc->m_nCoordSys = 31467;
    AddPoint(*doc, WorldPoint{3500100.0, 5500100.0}, QStringLiteral("1"));
    const QString missing = dir.filePath(QStringLiteral("fehlt"));
    frame->exchangeDialogs.exportZento = [&](CExportZento& dlg) {
        dlg.InitControls();
        EXPECT_TRUE(dlg.allPointsBox()->isChecked());  // points only: the pair around them
        dlg.folderEdit()->setText(missing);
        dlg.accept();
        return true;
    };
    test::MessageRecorder messages;
    ASSERT_TRUE(frame->RunCommand(ID_EXPORT_ZENTO));
    ASSERT_EQ(messages.messages().size(), 1u);
    EXPECT_EQ(messages.messages()[0].textId, 1207);
    EXPECT_TRUE(messages.messages()[0].text.contains(missing + QStringLiteral("/1.geo")));
    EXPECT_TRUE(messages.messages()[0].text.contains(missing + QStringLiteral("/1_1.pos")));
    EXPECT_EQ(frame->m_strZentoExportDir, missing);
}

// ---------------------------------------------------------------------------------------------
// GPX, driven through the handlers with answered dialogs

const char kGoodGpx[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<gpx version=\"1.1\" creator=\"Test\" xmlns=\"http://www.topografix.com/GPX/1/1\">\n"
    " <wpt lat=\"50.0\" lon=\"9.0\"><name>Eiche</name></wpt>\n"
    " <trk><name>Runde</name><trkseg><trkpt lat=\"50.0\" lon=\"9.0\"/><trkpt lat=\"50.01\" lon=\"9.02\"/></trkseg></trk>\n"
    "</gpx>\n";

TEST_F(ExchangeCommandTest, GpxImportReadsTheChosenFilesAndNamesTheFaultOfADamagedOne)
{
    doc->m_nCoordSys = 31467;
    ASSERT_TRUE(WriteAll(dir.filePath(QStringLiteral("gut.gpx")), kGoodGpx));
    QByteArray damaged(kGoodGpx);
    damaged.replace("lat=\"50.01\"", "lat=\"95\"");
    ASSERT_TRUE(WriteAll(dir.filePath(QStringLiteral("kaputt.gpx")), damaged));
    test::IsolatedSettings::Open().setValue(key::GpxImportDir, QStringLiteral("/vorher"));
    filesToOpen = {dir.filePath(QStringLiteral("kaputt.gpx")), dir.filePath(QStringLiteral("fehlt.gpx")),
                   dir.filePath(QStringLiteral("gut.gpx"))};
    test::MessageRecorder messages;
    OnImportGpx(*frame, *wnd, frame->exchangeDialogs);

    EXPECT_EQ(shownFolder, QStringLiteral("/vorher"));
    EXPECT_EQ(shownFilter, QStringLiteral("GPS-Austauschdateien (*.gpx);;Alle Dateien (*)"));
    ASSERT_EQ(messages.messages().size(), 2u);
    EXPECT_EQ(messages.messages()[0].textId, 1230);
    EXPECT_EQ(messages.messages()[0].text,
              QString::fromUtf8("Die Datei \"%1\" ist keine lesbare GPX-Datei.\n"
                                "Zeile 4, Spalte 62: Die Breite 95 liegt nicht zwischen -90 und 90 Grad.\n"
                                "Aus dieser Datei wurde nichts übernommen.")
                  .arg(dir.filePath(QStringLiteral("kaputt.gpx"))));
    EXPECT_EQ(messages.messages()[0].caption, QStringLiteral("Fehler"));
    EXPECT_EQ(messages.messages()[0].type, unsigned(MB_OK | MB_ICONERROR));
    EXPECT_EQ(messages.messages()[1].text, QStringLiteral("Die Datei \"%1\" konnte nicht geöffnet werden.")
                                               .arg(dir.filePath(QStringLiteral("fehlt.gpx"))));
    // Only the sound file came in, converted into the document's system.
    const auto points = test::ObjectsOfType(*doc, GT_POINT);
    ASSERT_EQ(points.size(), 1u);
    EXPECT_EQ(test::InfoText(*points[0], "PTNR"), QStringLiteral("Eiche"));
    EXPECT_GT(points[0]->m_ptPos.x, 3000000.0);
    EXPECT_EQ(test::ObjectsOfType(*doc, GT_POLYLINE).size(), 1u);
    EXPECT_EQ(test::IsolatedSettings::Open().value(key::GpxImportDir).toString(), dir.path());
    // The view was fitted to what came in.
    const WorldRect shown = wnd->view()->GetWorldRect();
    EXPECT_LE(shown.minX, points[0]->m_ptPos.x);
    EXPECT_GE(shown.maxX, points[0]->m_ptPos.x);
}

TEST_F(ExchangeCommandTest, GpxExportAsksBeforeReplacingAndKeepsTheFolder)
{
    const auto canExport = [&] {
        CDocumentKinds kinds;
        return CanExportGpx(*doc, kinds.Kinds(*doc));
    };
    EXPECT_FALSE(canExport());  // nothing to write
    AddPoint(*doc, WorldPoint{1000000.0, 6600000.0}, QStringLiteral("7"));
    EXPECT_TRUE(canExport());
    doc->m_nCoordSys = 0;  // a local drawing has no place on the earth
    EXPECT_FALSE(canExport());
    doc->m_nCoordSys = 900913;

    const QString existing = dir.filePath(QStringLiteral("alt.gpx"));
    ASSERT_TRUE(WriteAll(existing, "alt"));
    test::IsolatedSettings::Open().setValue(key::GpxExportDir, dir.path() + QLatin1Char('/'));
    QStringList proposals;
    QStringList answers = {existing, dir.filePath(QStringLiteral("neu"))};
    ExchangeDialogs dialogs = frame->exchangeDialogs;
    dialogs.saveFile = [&](QWidget*, const QString& filter, const QString& proposal) {
        EXPECT_EQ(filter, QStringLiteral("GPS-Austauschdateien (*.gpx);;Alle Dateien (*)"));
        proposals << proposal;
        return answers.isEmpty() ? QString() : answers.takeFirst();
    };
    // "No" to replacing: the file dialog comes again with that name; then a new name without
    // its extension.
    test::MessageRecorder messages(IDNO);
    OnExportGpx(*frame, *wnd, dialogs);
    ASSERT_EQ(proposals.size(), 2);
    EXPECT_TRUE(proposals[0].startsWith(dir.path() + QLatin1Char('/'))) << proposals[0].toStdString();
    EXPECT_TRUE(proposals[0].endsWith(QStringLiteral(".gpx")));
    EXPECT_EQ(proposals[1], existing);
    ASSERT_EQ(messages.messages().size(), 1u);
    EXPECT_EQ(messages.messages()[0].text,
              QStringLiteral("Die Datei \"alt.gpx\" ist bereits vorhanden.\nWollen Sie diese Datei ersetzen?"));
    EXPECT_EQ(messages.messages()[0].caption, QStringLiteral("Datei vorhanden"));
    QFile written(dir.filePath(QStringLiteral("neu.gpx")));
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_TRUE(written.readAll().contains("<name>7</name>"));
    QFile old(existing);
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.readAll(), QByteArray("alt"));
    EXPECT_EQ(test::IsolatedSettings::Open().value(key::GpxExportDir).toString(), dir.path());

    // "Yes" replaces it.
    messages.setAnswer(IDYES);
    answers = {existing};
    OnExportGpx(*frame, *wnd, dialogs);
    QFile replaced(existing);
    ASSERT_TRUE(replaced.open(QIODevice::ReadOnly));
    EXPECT_TRUE(replaced.readAll().startsWith("<?xml"));

    // A folder that is not there: said so, and the remembered folder stays.
    answers = {dir.filePath(QStringLiteral("gibt/es/nicht.gpx"))};
    OnExportGpx(*frame, *wnd, dialogs);
    ASSERT_EQ(messages.messages().size(), 3u);
    EXPECT_EQ(messages.messages()[2].textId, 1207);
    EXPECT_EQ(test::IsolatedSettings::Open().value(key::GpxExportDir).toString(), dir.path());

    // Cancelling writes nothing.
    answers.clear();
    OnExportGpx(*frame, *wnd, dialogs);
    EXPECT_EQ(messages.messages().size(), 3u);
}

TEST_F(ExchangeCommandTest, PrinterSetUpHoldsForEveryPrint)
{
    QPrinter* printer = frame->Printer();
    ASSERT_NE(printer, nullptr);
    EXPECT_EQ(frame->Printer(), printer);  // one printer for the program
    // Every view prints with it.
    std::unique_ptr<QPrinter> own;
    EXPECT_EQ(wnd->view()->JobPrinter(own), printer);
    EXPECT_EQ(own, nullptr);

    int pdfEntry = -1;
    frame->runPrintSetup = [&](CPrintSetupDlg& dlg) {
        pdfEntry = dlg.PdfEntry();
        dlg.printerList()->setCurrentIndex(dlg.PdfEntry());
        dlg.paperList()->setCurrentIndex(dlg.paperList()->findData(int(QPageSize::A3)));
        dlg.landscapeButton()->setChecked(true);
        dlg.accept();
        return true;
    };
    ASSERT_TRUE(frame->RunCommand(57606));
    EXPECT_GE(pdfEntry, 0);
    EXPECT_EQ(printer->outputFormat(), QPrinter::PdfFormat);
    EXPECT_EQ(printer->pageLayout().pageSize().id(), QPageSize::A3);
    EXPECT_EQ(printer->pageLayout().orientation(), QPageLayout::Landscape);

    // The dialog shows what is set; cancelling changes nothing.
    frame->runPrintSetup = [&](CPrintSetupDlg& dlg) {
        EXPECT_TRUE(dlg.landscapeButton()->isChecked());
        EXPECT_EQ(dlg.paperList()->currentData().toInt(), int(QPageSize::A3));
        dlg.portraitButton()->setChecked(true);
        dlg.reject();
        return false;
    };
    ASSERT_TRUE(frame->RunCommand(57606));
    EXPECT_EQ(printer->pageLayout().orientation(), QPageLayout::Landscape);

    // Printer set-up is offered with and without a document.
    doc->SetModifiedFlag(false);
    wnd->close();
    QApplication::processEvents();
    EXPECT_TRUE(Enabled(57606));
}

}  // namespace
}  // namespace korvel
