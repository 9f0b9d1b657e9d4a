#pragma once
// The printer set-up ("Druckereinrichtung"): which printer, which paper and which orientation
// the program prints on. The choice goes into the program's one printer object, which every
// print, quick print and preview of every map window uses until the program ends.

#include <QDialog>
#include <QPageSize>

class QComboBox;
class QPrinter;
class QRadioButton;

namespace korvel {

class CPrintSetupDlg : public QDialog {
    Q_OBJECT
public:
    // Shows the settings of `printer`; OK writes the choice back into it.
    explicit CPrintSetupDlg(QPrinter* printer, QWidget* parent = nullptr);

    QComboBox* printerList() const { return m_pPrinters; }
    QComboBox* paperList() const { return m_pPaper; }
    QRadioButton* portraitButton() const { return m_pPortrait; }
    QRadioButton* landscapeButton() const { return m_pLandscape; }

    // The list entry that stands for writing PDF files instead of printing on paper (the
    // last entry; the only one on a machine without printers).
    int PdfEntry() const;

    void accept() override;

private:
    // Fills the paper list for the printer entry `index`, keeping `keep` selected when the
    // printer offers it (else A4, else the first size).
    void FillPaper(int index, QPageSize::PageSizeId keep);

    QPrinter* m_pPrinter;
    QComboBox* m_pPrinters;
    QComboBox* m_pPaper;
    QRadioButton* m_pPortrait;
    QRadioButton* m_pLandscape;
};

}  // namespace korvel
