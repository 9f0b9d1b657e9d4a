#include "app/printsetupdlg.h"

#include "app/exportfolder.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace korvel {
namespace {

// Paper offered for PDF files, and for printers that do not say what they take.
constexpr QPageSize::PageSizeId kStandardSizes[] = {QPageSize::A3, QPageSize::A4, QPageSize::A5,
                                                      QPageSize::B5, QPageSize::Letter, QPageSize::Legal};

}  // namespace

CPrintSetupDlg::CPrintSetupDlg(QPrinter* printer, QWidget* parent) : QDialog(parent), m_pPrinter(printer)
{
    setObjectName(QStringLiteral("PrintSetupDialog"));
    setWindowTitle(tr("Druckereinrichtung"));

    auto* printerBox = new QGroupBox(tr("Drucker"), this);
    m_pPrinters = new QComboBox(printerBox);
    m_pPrinters->setMinimumContentsLength(28);
    const QString defaultName = QPrinterInfo::defaultPrinterName();
    for (const QString& name : QPrinterInfo::availablePrinterNames()) {
        m_pPrinters->addItem(name == defaultName ? tr("%1 (Standarddrucker)").arg(name) : name, name);
    }
    m_pPrinters->addItem(tr("PDF-Datei"), QString());
    auto* printerForm = new QFormLayout(printerBox);
    printerForm->addRow(tr("&Name:"), m_pPrinters);

    auto* paperBox = new QGroupBox(tr("Papier"), this);
    m_pPaper = new QComboBox(paperBox);
    auto* paperForm = new QFormLayout(paperBox);
    paperForm->addRow(tr("&Größe:"), m_pPaper);

    auto* orientationBox = new QGroupBox(tr("Orientierung"), this);
    m_pPortrait = new QRadioButton(tr("&Hochformat"), orientationBox);
    m_pLandscape = new QRadioButton(tr("&Querformat"), orientationBox);
    auto* orientationLayout = new QVBoxLayout(orientationBox);
    orientationLayout->addWidget(m_pPortrait);
    orientationLayout->addWidget(m_pLandscape);

    QDialogButtonBox* buttons = MakeOkCancelButtons(this);

    auto* lower = new QHBoxLayout;
    lower->addWidget(paperBox, 1);
    lower->addWidget(orientationBox);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(printerBox);
    layout->addLayout(lower);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    // Show what the printer is set to now.
    int current = PdfEntry();
    if (m_pPrinter && m_pPrinter->outputFormat() == QPrinter::NativeFormat) {
        const int found = m_pPrinters->findData(m_pPrinter->printerName());
        if (found >= 0) current = found;
    }
    m_pPrinters->setCurrentIndex(current);
    const QPageLayout pageLayout = m_pPrinter ? m_pPrinter->pageLayout() : QPageLayout();
    FillPaper(current, m_pPrinter ? pageLayout.pageSize().id() : QPageSize::A4);
    (pageLayout.orientation() == QPageLayout::Landscape ? m_pLandscape : m_pPortrait)->setChecked(true);

    connect(m_pPrinters, &QComboBox::currentIndexChanged, this, [this](int index) {
        FillPaper(index, QPageSize::PageSizeId(m_pPaper->currentData().toInt()));
    });
}

int CPrintSetupDlg::PdfEntry() const { return m_pPrinters->count() - 1; }

void CPrintSetupDlg::FillPaper(int index, QPageSize::PageSizeId keep)
{
    QList<QPageSize> sizes;
    const QString name = m_pPrinters->itemData(index).toString();
    if (!name.isEmpty()) sizes = QPrinterInfo::printerInfo(name).supportedPageSizes();
    if (sizes.isEmpty()) {
        for (QPageSize::PageSizeId id : kStandardSizes) sizes << QPageSize(id);
    }
    m_pPaper->clear();
    for (const QPageSize& size : sizes) {
        if (size.id() == QPageSize::Custom) continue;
        m_pPaper->addItem(size.name(), int(size.id()));
    }
    int selected = m_pPaper->findData(int(keep));
    if (selected < 0) selected = m_pPaper->findData(int(QPageSize::A4));
    m_pPaper->setCurrentIndex(selected < 0 ? 0 : selected);
}

void CPrintSetupDlg::accept()
{
    if (m_pPrinter) {
        // The printer first: choosing a printer brings its own defaults, which the paper and
        // the orientation then override.
        const QString name = m_pPrinters->currentData().toString();
        if (name.isEmpty()) {
            m_pPrinter->setOutputFormat(QPrinter::PdfFormat);
        } else {
            m_pPrinter->setOutputFormat(QPrinter::NativeFormat);
            m_pPrinter->setPrinterName(name);
        }
        if (m_pPaper->currentIndex() >= 0) {
            m_pPrinter->setPageSize(QPageSize(QPageSize::PageSizeId(m_pPaper->currentData().toInt())));
        }
        m_pPrinter->setPageOrientation(m_pLandscape->isChecked() ? QPageLayout::Landscape : QPageLayout::Portrait);
    }
    QDialog::accept();
}

}  // namespace korvel
