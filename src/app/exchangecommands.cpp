#include "app/exchangecommands.h"

#include "app/coordsysdlg.h"
#include "app/exportshapedlg.h"
#include "app/exportzentodlg.h"
#include "app/korvelwnd.h"
#include "app/mainframe.h"
#include "exchange/dbasefile.h"
#include "exchange/shapeexchange.h"
#include "exchange/zentoexchange.h"
#include "model/gobj.h"
#include "model/korveldoc.h"
#include "model/reproject.h"
#include "strings/stringtable.h"
#include "view/korvelview.h"
#include "view/viewhost.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

namespace korvel {
namespace {

constexpr int IDS_FILTER_ZENTO = 1101;
constexpr int IDS_FILTER_SHAPE = 1102;
constexpr int IDS_CANNOT_OPEN = 1201;
constexpr int IDS_BAD_FORMAT = 1202;
constexpr int IDS_FILE_EXISTS = 1203;
constexpr int IDS_FILE_EXISTS_CAPTION = 1204;
constexpr int IDS_UNDEFINED_SYSTEM = 1206;
constexpr int IDS_CANNOT_CREATE = 1207;
constexpr int IDS_CANNOT_WRITE = 1208;
constexpr int IDS_NUMBERS_OVERFLOW = 1209;

// The wait cursor for the length of a scope; Release() takes it away early, before a message
// box.
class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { Release(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
    void Release()
    {
        if (m_bActive) QApplication::restoreOverrideCursor();
        m_bActive = false;
    }

private:
    bool m_bActive = true;
};

QString Native(const QString& path) { return QDir::toNativeSeparators(path); }

void FitView(CKorvelWnd& wnd)
{
    if (CKorvelView* view = wnd.view()) view->OnCommand(ID_VIEW_FIT_ALL);
}

}  // namespace

ExchangeDialogs DefaultExchangeDialogs()
{
    ExchangeDialogs d;
    d.openFiles = [](QWidget* parent, const QString& filter, const QString& folder) {
        return QFileDialog::getOpenFileNames(parent, QString(), folder, filter);
    };
    d.exportShape = [](CExportShapeDlg& dlg) { return dlg.exec() == QDialog::Accepted; };
    d.exportZento = [](CExportZento& dlg) { return dlg.exec() == QDialog::Accepted; };
    d.coordSys = [](CCoordSysDlg& dlg) { return dlg.exec() == QDialog::Accepted; };
    return d;
}

QString FileDialogFilter(const QString& tableFilter)
{
    const QStringList parts = tableFilter.split(QLatin1Char('|'));
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString name = parts.at(i).trimmed();
        if (name.isEmpty()) break;
        QStringList patterns;
        for (QString p : parts.at(i + 1).split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            p = p.trimmed();
            if (p == QStringLiteral("*.*")) p = QStringLiteral("*");  // every file, with or without a dot
            if (!p.isEmpty()) patterns << p;
        }
        // The dialog takes its patterns from the parentheses at the end of the name.
        const int open = name.lastIndexOf(QLatin1Char('('));
        if (open > 0 && name.endsWith(QLatin1Char(')'))) name = name.left(open).trimmed();
        filters << QStringLiteral("%1 (%2)").arg(name, patterns.join(QLatin1Char(' ')));
    }
    return filters.join(QStringLiteral(";;"));
}

bool CanExportShape(uint32_t kinds) { return (kinds & (GT_POINT | GT_POLYLINE | GT_POLYGON)) != 0; }

bool CanExportZento(const CKorvelDoc& doc, uint32_t kinds)
{
    return doc.m_nCoordSys > 0 && (kinds & (GT_POINT | GT_POLYGON)) != 0;
}

void OnImportShape(CMainFrame& frame, CKorvelWnd& wnd, const ExchangeDialogs& dialogs)
{
    CKorvelDoc* doc = wnd.document();
    if (!doc || !dialogs.openFiles) return;
    const QStringList files =
        dialogs.openFiles(&frame, FileDialogFilter(LoadString(IDS_FILTER_SHAPE)), frame.m_strShapeImportDir);
    for (const QString& path : files) {
        ShapeImportTarget target{doc->m_pRoot.get(), &doc->m_nCoordSys, [doc](GObj* o) { return doc->AddObject(o); }};
        WaitCursor wait;
        const uint16_t code = ImportShapeFile(path, target);
        wait.Release();
        if (code == EXCH_OK) {
            FitView(wnd);
        } else {
            ShowMessage(code, IDS_CAPTION_ERROR, MB_OK | MB_ICONERROR, Native(path));
        }
        // The folder is remembered whatever the outcome, so that the user starts there again.
        frame.m_strShapeImportDir = QFileInfo(path).absolutePath();
    }
}

void OnExportShape(CMainFrame& frame, CKorvelWnd& wnd, const ExchangeDialogs& dialogs)
{
    CKorvelDoc* doc = wnd.document();
    if (!doc || !dialogs.exportShape) return;
    CExportShapeDlg dlg(&frame);
    dlg.m_nKinds = uint16_t(KindSet(doc->m_pRoot.get()) & (GT_POINT | GT_POLYLINE | GT_POLYGON));
    dlg.m_strFolder = frame.m_strShapeExportDir;
    if (!dialogs.exportShape(dlg)) return;

    const QString base = ExportBaseFolder(dlg.m_strFolder);
    const std::pair<uint32_t, QString> jobs[] = {
        {GT_POINT, dlg.m_strPointName}, {GT_POLYLINE, dlg.m_strPolylineName}, {GT_POLYGON, dlg.m_strPolygonName}};
    size_t overflowing = 0;
    for (const auto& [kind, name] : jobs) {
        if (!(dlg.m_nKinds & kind)) continue;
        const QString path = base + QLatin1Char('/') + name;
        QString failedPath;
        WaitCursor wait;
        const ShapeExportStatus status =
            ExportShape(*doc, ShapeTypeForKind(kind), path, &failedPath, &overflowing);
        wait.Release();
        if (status == ShapeExportStatus::CannotCreate) {
            // Nothing more can be written there: stop, and keep the remembered folder.
            ShowMessage(IDS_CANNOT_CREATE, IDS_CAPTION_ERROR, MB_OK | MB_ICONERROR,
                        Native(failedPath.isEmpty() ? path : failedPath));
            return;
        }
        if (status == ShapeExportStatus::Failed) {
            // The older files (if any) are still in place; the user has to know that this
            // kind was not exported.
            ShowMessage(IDS_CANNOT_WRITE, IDS_CAPTION_ERROR, MB_OK | MB_ICONERROR, Native(path));
        }
    }
    // Numbers too wide for their field are missing from the files; the user has to know.
    if (overflowing > 0)
        ShowMessage(IDS_NUMBERS_OVERFLOW, IDS_CAPTION_NOTE, MB_OK | MB_ICONWARNING,
                    QString::number(overflowing));
    frame.m_strShapeExportDir = dlg.m_strFolder;
}

void OnImportZento(CMainFrame& frame, CKorvelWnd& wnd, const ExchangeDialogs& dialogs)
{
    CKorvelDoc* doc = wnd.document();
    if (!doc) return;
    // Every position in the files is in WGS84 degrees: without a system of its own the
    // document could not take them. The user is offered to choose one first.
    if (doc->m_nCoordSys < 1) {
        CCoordSysDlg dlg(&frame);
        dlg.m_nCurrent = doc->m_nCoordSys;
        dlg.InitControls();
        if (dialogs.coordSys && dialogs.coordSys(dlg) && dlg.m_nCurrent != doc->m_nCoordSys) {
            // From the undefined system nothing is converted: the document gets the label.
            ReprojectDocument(*doc, dlg.m_nCurrent);
            doc->SetModifiedFlag(true);
            if (wnd.view()) wnd.view()->update();
        }
        if (doc->m_nCoordSys < 1) {
            ShowMessage(IDS_UNDEFINED_SYSTEM, IDS_CAPTION_NOTE, MB_OK | MB_ICONWARNING);
            return;
        }
    }
    if (!dialogs.openFiles) return;
    const QStringList files =
        dialogs.openFiles(&frame, FileDialogFilter(LoadString(IDS_FILTER_ZENTO)), frame.m_strZentoImportDir);
    for (const QString& path : files) {
        WaitCursor wait;
        const ZentoImportStatus status = ImportZento(*doc, path);
        wait.Release();
        switch (status) {
        case ZentoImportStatus::CannotOpen:
            ShowMessage(IDS_CANNOT_OPEN, IDS_CAPTION_ERROR, MB_OK | MB_ICONERROR, Native(path));
            break;
        case ZentoImportStatus::BadFormat:
            ShowMessage(IDS_BAD_FORMAT, IDS_CAPTION_ERROR, MB_OK | MB_ICONERROR, QFileInfo(path).fileName());
            break;
        case ZentoImportStatus::Imported:
            frame.m_strZentoImportDir = QFileInfo(path).absolutePath();
            FitView(wnd);
            break;
        }
    }
}

void OnExportZento(CMainFrame& frame, CKorvelWnd& wnd, const ExchangeDialogs& dialogs)
{
    CKorvelDoc* doc = wnd.document();
    if (!doc || !dialogs.exportZento) return;
    GList* root = doc->m_pRoot.get();
    CExportZento dlg(&frame);
    dlg.m_areaNames = ZentoAttributeNames(root, GT_POLYGON);
    dlg.m_pointNames = ZentoAttributeNames(root, GT_POINT);
    dlg.m_strFolder = frame.m_strZentoExportDir;
    const uint32_t kinds = KindSet(root);
    // Without areas the only useful pair is the one around all points.
    dlg.m_bAllPoints = (kinds & GT_POINT) && !(kinds & GT_POLYGON) ? 1 : 0;
    if (!dialogs.exportZento(dlg)) return;
    frame.m_strZentoExportDir = dlg.m_strFolder;

    ZentoExportRequest request;
    request.folder = dlg.m_strFolder;
    request.areaNames = dlg.m_areaNames;
    request.pointNames = dlg.m_pointNames;
    request.allPoints = dlg.m_bAllPoints != 0;
    WaitCursor wait;
    request.confirmOverwrite = [](const QString& fileName) {
        QApplication::restoreOverrideCursor();
        const bool yes =
            ShowMessage(IDS_FILE_EXISTS, IDS_FILE_EXISTS_CAPTION, MB_YESNO | MB_ICONQUESTION, fileName) == IDYES;
        QApplication::setOverrideCursor(Qt::WaitCursor);
        return yes;
    };
    const ZentoExportResult result = ExportZento(*doc, request);
    wait.Release();
    // Files that could not be written are named, so that nobody takes an old or missing file
    // for the current one.
    if (!result.failed.isEmpty()) {
        QStringList names;
        for (const QString& p : result.failed) names << Native(p);
        ShowMessage(IDS_CANNOT_CREATE, IDS_CAPTION_ERROR, MB_OK | MB_ICONERROR, names.join(QStringLiteral("\", \"")));
    }
}

}  // namespace korvel
