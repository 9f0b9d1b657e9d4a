#pragma once
// CKorvelWnd: the MDI child window of one map document. It owns the document and its map
// view, shows the document's name with the modified mark, and asks to save changes before it
// closes.

#include <QMdiSubWindow>
#include <QString>

#include <functional>
#include <memory>

namespace korvel {

class CKorvelDoc;
class CKorvelView;
class ViewHost;

class CKorvelWnd : public QMdiSubWindow {
    Q_OBJECT
public:
    // Takes the document over and creates its view; `title` is shown while the document has
    // no file yet.
    CKorvelWnd(std::unique_ptr<CKorvelDoc> doc, const QString& title, ViewHost* host, QWidget* parent = nullptr);
    ~CKorvelWnd() override;

    CKorvelDoc* document() const { return m_pDoc.get(); }
    CKorvelView* view() const { return m_pView; }

    // The name shown in the title: the file name, or the new-document title.
    QString DocumentTitle() const;

    // Writes the document to its file, or asks for one first. False when it was not saved
    // (cancelled, or the write failed and the user was told).
    bool Save();
    // Asks for a file name and writes the document there.
    bool SaveAs();
    // Asks whether to save a modified document: true when the window may close.
    bool MaybeSave();
    // Closes the window without asking again, for a caller that has had MaybeSave answered
    // already (quitting asks about every document before it closes any). False when the
    // window stays open all the same.
    bool CloseAnswered();

    // Called before the save question, so that running measurements finish into the
    // document first.
    static std::function<void(CKorvelView*)>& EndMeasuringHook();

signals:
    // The document got a (new) file name.
    void documentSaved(const QString& path);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void UpdateTitle();
    bool SaveTo(const QString& path);

    std::unique_ptr<CKorvelDoc> m_pDoc;
    CKorvelView* m_pView;
    QString m_strNewTitle;
    bool m_bSaveAnswered = false;  // set only while CloseAnswered closes the window
};

// The parts of the document type's descriptor (string 129): window title, document name,
// new-file name, filter name, extension, file type id and file type name.
QString DocTemplateString(int index);

}  // namespace korvel
