#include "app/korvelwnd.h"

#include "app/mainframe.h"
#include "model/korveldoc.h"
#include "strings/stringtable.h"
#include "view/korvelview.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

namespace korvel {
namespace {

constexpr int IDS_DOC_TEMPLATE = 129;
constexpr int IDS_ASK_TO_SAVE = 1060;
constexpr int IDS_ALL_FILES = 1061;

}  // namespace

QString DocTemplateString(int index)
{
    return LoadString(IDS_DOC_TEMPLATE).section(QLatin1Char('\n'), index, index);
}

CKorvelWnd::CKorvelWnd(std::unique_ptr<CKorvelDoc> doc, const QString& title, ViewHost* host, QWidget* parent)
    : QMdiSubWindow(parent), m_pDoc(std::move(doc)), m_strNewTitle(title)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowIcon(QIcon(QStringLiteral(":/icons/korvel.svg")));
    m_pView = new CKorvelView(m_pDoc.get(), host, this);
    setWidget(m_pView);
    m_pView->setFocus();
    connect(m_pDoc.get(), &CKorvelDoc::modifiedChanged, this, [this](bool modified) { setWindowModified(modified); });
    UpdateTitle();
    resize(640, 480);
}

CKorvelWnd::~CKorvelWnd()
{
    // The view goes first: it holds the document only by a guarded pointer, but it should
    // never see the document half destroyed.
    QWidget* view = widget();
    setWidget(nullptr);
    delete view;
    m_pView = nullptr;
}

std::function<void(CKorvelView*)>& CKorvelWnd::EndMeasuringHook()
{
    static std::function<void(CKorvelView*)> hook;
    return hook;
}

QString CKorvelWnd::DocumentTitle() const
{
    const QString path = m_pDoc->GetPathName();
    return path.isEmpty() ? m_strNewTitle : QFileInfo(path).fileName();
}

void CKorvelWnd::UpdateTitle()
{
    setWindowTitle(DocumentTitle() + QStringLiteral("[*]"));
    setWindowModified(m_pDoc->IsModified());
}

bool CKorvelWnd::SaveTo(const QString& path)
{
    const KvdStatus status = m_pDoc->Save(path);
    if (status != KvdStatus::Ok) {
        ShowMessage(static_cast<int>(status), IDS_CAPTION_ERROR, MB_ICONERROR, QDir::toNativeSeparators(path));
        return false;
    }
    UpdateTitle();
    emit documentSaved(path);
    return true;
}

bool CKorvelWnd::Save()
{
    if (m_pDoc->GetPathName().isEmpty()) return SaveAs();
    return SaveTo(m_pDoc->GetPathName());
}

bool CKorvelWnd::SaveAs()
{
    QString folder = QFileInfo(m_pDoc->GetPathName()).absolutePath();
    if (m_pDoc->GetPathName().isEmpty()) folder = QDir::homePath();
    const QString ext = DocTemplateString(4);  // ".kvd"
    const QString suggestion = folder + QLatin1Char('/') + QFileInfo(DocumentTitle()).completeBaseName() + ext;
    const QString filter = DocTemplateString(3) + QStringLiteral(";;") + LoadString(IDS_ALL_FILES);
    QString path = QFileDialog::getSaveFileName(this, QString(), suggestion, filter);
    if (path.isEmpty()) return false;
    if (QFileInfo(path).suffix().isEmpty()) path += ext;
    return SaveTo(path);
}

bool CKorvelWnd::MaybeSave()
{
    // A line being measured becomes part of the document only when measuring ends, so end
    // it before deciding whether there is anything to save.
    if (EndMeasuringHook()) EndMeasuringHook()(m_pView);
    if (!m_pDoc->IsModified()) return true;
    const int answer = ShowMessage(IDS_ASK_TO_SAVE, 128, MB_YESNOCANCEL | MB_ICONWARNING, DocumentTitle());
    if (answer == IDCANCEL) return false;
    if (answer == IDNO) return true;
    return Save();
}

bool CKorvelWnd::CloseAnswered()
{
    m_bSaveAnswered = true;
    const bool closed = close();
    // A window that stays open asks again the next time.
    if (!closed) m_bSaveAnswered = false;
    return closed;
}

void CKorvelWnd::closeEvent(QCloseEvent* event)
{
    if (!m_bSaveAnswered && !MaybeSave()) {
        event->ignore();
        return;
    }
    event->accept();
    QMdiSubWindow::closeEvent(event);
}

}  // namespace korvel
