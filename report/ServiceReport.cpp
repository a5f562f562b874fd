#include "report/ServiceReport.h"

#include "common/FileIO.h"
#include "common/Language.h"
#include "common/ResultCodes.h"
#include "common/TextFormat.h"
#include "devicelink/VelmorTPExt.h"
#include "report/ReportSections.h"
#include "servicelog/ServiceLog.h"
#include "workflow/ProductCatalog.h"

#include <QAbstractTextDocumentLayout>
#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextTable>
#include <QTextDocument>
#include <QUrl>

namespace {

constexpr qreal kMarginMm = 15.0;
constexpr qreal kBodyPoints = 9.0;
constexpr qreal kFooterPoints = 7.5;

// What QTextDocument's HTML takes of CSS.
constexpr const char* kStyleSheet =
    "h1 { font-size: 15pt; margin-top: 0px; margin-bottom: 4px; }"
    "h2 { font-size: 10.5pt; margin-top: 9px; margin-bottom: 3px; }"
    "p { margin-top: 0px; margin-bottom: 1px; }"
    "p.product { font-size: 11pt; font-weight: bold; }"
    "p.none { color: #555555; font-style: italic; }"
    "td.label { color: #444444; }"
    "th { background-color: #e6e6e6; text-align: left; }"
    "table.grid { border-color: #999999; border-collapse: collapse; }"
    "span.small { font-size: 7pt; color: #444444; }";

QFont ReportFont(qreal dPoints)
{
    QFont font(QStringLiteral("Arial")); // Liberation Sans where Arial is missing
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(dPoints);
    return font;
}

QString ReportHtml(const CVisitDetail& visit, CReportProduct& product, bool bPicture)
{
    return QStringLiteral("<html><body>") + HeaderSection(visit, product, bPicture) + UnitSection(visit) + InstallationSection(visit)
           + SettingsSection(visit, product) + OperatingDataSection(visit) + ErrorHistorySection(visit, product.nProductType)
           + FirmwareSection(visit) + SignatureSection(visit) + QStringLiteral("</body></html>");
}

// "Service report · 23 030 03 01 · serial number 4711 · page 1 of 2"
QString FooterText(const CVisitDetail& visit, int nPage, int nPages)
{
    const CServiceUnit& unit = visit.summary.unit;
    return QString::fromUtf8(FormatText(PickText("Service report \u00b7 %s \u00b7 serial number %s \u00b7 page %d of %d",
                                                 "Servicebericht \u00b7 %s \u00b7 Seriennummer %s \u00b7 Seite %d von %d"),
                                        FormatArticleNumber(unit.strArticleNumber).c_str(), unit.strSerialNumber.c_str(), nPage, nPages));
}

// The signature lines stay on the page of the last section: when they would
// begin a page of their own, the last section begins that page.
void KeepSignatureWithLastSection(QTextDocument& document, qreal dPageHeight)
{
    const QTextCursor signature = document.find(QStringLiteral("______"));
    // The last section's heading, the nearest above the signature.
    const QTextCursor heading = document.find(QStringLiteral("Firmware"), signature.selectionStart(),
                                              QTextDocument::FindCaseSensitively | QTextDocument::FindBackward);
    if (signature.isNull() || heading.isNull() || signature.currentTable() == nullptr)
        return;
    QAbstractTextDocumentLayout* pLayout = document.documentLayout();
    const auto page = [dPageHeight](qreal dY) { return static_cast<int>(dY / dPageHeight); };
    // The signature's table lies in the document's root frame, the heading is a block of it.
    if (page(pLayout->frameBoundingRect(signature.currentTable()).bottom() - 1) == page(pLayout->blockBoundingRect(heading.block()).top()))
        return;
    QTextCursor cursor(heading.block());
    QTextBlockFormat format = cursor.blockFormat();
    format.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
    cursor.setBlockFormat(format);
}

// The document page by page on the writer, each page with its footer.
void PaintPages(QTextDocument& document, QPdfWriter& writer, const CVisitDetail& visit)
{
    QPainter painter(&writer);
    const QRectF page(QPointF(0, 0), writer.pageLayout().paintRectPixels(writer.resolution()).size());
    painter.setFont(ReportFont(kFooterPoints));
    const qreal dFooter = painter.fontMetrics().height() * 2.0;
    const QSizeF body(page.width(), page.height() - dFooter);
    document.setPageSize(body);
    KeepSignatureWithLastSection(document, body.height());
    const int nPages = document.pageCount();
    for (int nPage = 0; nPage < nPages; ++nPage) {
        if (nPage > 0)
            writer.newPage();
        painter.save();
        painter.translate(0, -nPage * body.height());
        document.drawContents(&painter, QRectF(QPointF(0, nPage * body.height()), body));
        painter.restore();
        painter.drawText(QRectF(0, body.height(), page.width(), dFooter), Qt::AlignLeft | Qt::AlignBottom,
                         FooterText(visit, nPage + 1, nPages));
    }
}

// The PDF's bytes.
QByteArray RenderReport(const CVisitDetail& visit, CReportProduct& product)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(kMarginMm, kMarginMm, kMarginMm, kMarginMm), QPageLayout::Millimeter);
    writer.setTitle(QString::fromUtf8(PickText("Service report", "Servicebericht")) + QLatin1Char(' ')
                    + QString::fromStdString(visit.summary.unit.strSerialNumber));
    writer.setCreator(QStringLiteral("Fluxa USB ") + QString::fromStdString(visit.summary.context.strToolVersion));

    QTextDocument document;
    document.documentLayout()->setPaintDevice(&writer); // fonts in points of the page, not of a screen
    document.setDocumentMargin(0);
    document.setDefaultFont(ReportFont(kBodyPoints));
    document.setDefaultStyleSheet(QString::fromUtf8(kStyleSheet));
    const QImage picture(QString::fromStdString(product.definition.GetPicturePath()));
    if (product.bFound && !picture.isNull())
        document.addResource(QTextDocument::ImageResource, QUrl(QString::fromUtf8(kPictureResource)), picture);
    document.setHtml(ReportHtml(visit, product, product.bFound && !picture.isNull()));
    PaintPages(document, writer, visit);
    return bytes;
}

} // namespace

int WriteServiceReport(const CVisitDetail& visit, CProductCatalog& catalog, const std::string& strPath, std::string& strError)
{
    CReportProduct product;
    product.bFound = catalog.FindDefinition(visit.summary.unit.strArticleNumber, product.definition);
    product.nProductType = product.bFound ? catalog.FindProductTypeForArticle(visit.summary.unit.strArticleNumber) : 0;
    const QByteArray bytes = RenderReport(visit, product);
    return ReplaceFileContent(strPath, bytes.toStdString(), strError);
}

int WriteServiceReport(CServiceLog& log, long long llVisit, CProductCatalog& catalog, const std::string& strPath, std::string& strError)
{
    CVisitDetail visit;
    const int nResult = log.ReadVisit(llVisit, visit, strError);
    if (nResult == Result::InvalidArgument)
        strError = FormatText(PickText("The service record holds no visit %lld.", "Das Serviceprotokoll enthält keinen Besuch %lld."), llVisit);
    return nResult == Result::Ok ? WriteServiceReport(visit, catalog, strPath, strError) : nResult;
}

QString LocalServiceTime(const std::string& strUtc)
{
    return QString::fromStdString(LocalRecordTime(strUtc));
}
