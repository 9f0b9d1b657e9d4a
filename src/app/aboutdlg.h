#pragma once
// The about box and the version information it shows: product name and the four parts of
// the file version, as one line "Korvel Version 0.1.0.0 64bit".

#include <QDialog>
#include <QString>

#include <cstdint>
#include <utility>
#include <vector>

namespace korvel {

// Version data of the program: the file version as two 32-bit words (most significant
// first, each holding two 16-bit parts) and the string values (ProductName, FileVersion, …).
class CVersionsInfo {
public:
    CVersionsInfo();

    uint32_t fileVersionMS() const { return m_dwFileVersionMS; }
    uint32_t fileVersionLS() const { return m_dwFileVersionLS; }
    // The value of a string key, compared without regard to case; empty when missing.
    QString Value(const QString& key) const;

    // String 1052 filled with the product name, the four version parts and the word size.
    QString VersionLine() const;

private:
    uint32_t m_dwFileVersionMS;
    uint32_t m_dwFileVersionLS;
    std::vector<std::pair<QString, QString>> m_strings;
};

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);
    QString versionLine() const;
};

}  // namespace korvel
