// The window's building blocks: pictures, coloured controls, the page
// registry and the key pad.

#include "AppTestSupport.h"

#include "app/AppGlobals.h"
#include "app/DisplayDialog.h"
#include "app/DlgKeyPad.h"
#include "app/widgets/ColorControls.h"
#include "app/widgets/FCObjImage.h"
#include "common/Language.h"
#include "common/ResultCodes.h"

#include <QLineEdit>
#include <QPainter>
#include <QPushButton>

namespace {

// A page that records the messages it is sent.
class RecordingPage : public QWidget {
public:
    explicit RecordingPage(std::vector<std::string>& log, int nPageId) : m_log(log), m_nPageId(nPageId) {}
    bool event(QEvent* pEvent) override
    {
        if (const unsigned nMessage = CWindowMessage::MessageOf(pEvent); nMessage != 0)
            m_log.push_back(std::to_string(m_nPageId) + ":" + std::to_string(nMessage));
        return QWidget::event(pEvent);
    }

private:
    std::vector<std::string>& m_log;
    int m_nPageId;
};

struct Registry {
    Registry()
    {
        parent.resize(400, 300);
        frame.setParent(&parent);
        frame.setGeometry(10, 20, 200, 100);
        handler.SetParentWnd(&parent);
        handler.SetFrameWnd(&frame);
        handler.SetPageFactory([this](int nPageId) -> QWidget* { return nPageId == 999 ? nullptr : new RecordingPage(log, nPageId); });
    }
    QWidget parent;
    QWidget frame;
    CDisplayDialogHandler handler;
    std::vector<std::string> log;
};

} // namespace

class WidgetsTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { InitPictureResources(); g_nLanguage = kLanguageEnglish; }
    void premultiplicationFollowsTheRule();
    void imageTypesFollowTheExtension();
    void picturesAreStretchedWithoutSmoothing();
    void everyEmbeddedPictureLoads();
    void completionPicksTheFirstSortedMatch();
    void tabTextsTakeTheirColours();
    void registryShowsOnePageAtATime();
    void registryRefusesUnknownAndDoubleNames();
    void registrySendsInTheOrderPagesWereAdded();
    void keyPadTypesWithinTheLimit();
};

void WidgetsTest::premultiplicationFollowsTheRule()
{
    struct Case {
        int b, g, r, a;
        int eb, eg, er;
    };
    FCObjImage image;
    image.Create(3, 1, 32);
    const Case cases[] = {{200, 100, 50, 128, 100, 50, 25}, {200, 100, 50, 255, 200, 100, 50}, {200, 100, 50, 0, 0, 0, 0}};
    for (int x = 0; x < 3; ++x)
        image.SetPixel(x, 0, cases[x].b, cases[x].g, cases[x].r, cases[x].a);
    image.ApplyPremultipliedAlpha();
    for (int x = 0; x < 3; ++x) {
        int b = 0, g = 0, r = 0, a = 0;
        image.GetPixel(x, 0, b, g, r, a);
        QCOMPARE(b, cases[x].eb);
        QCOMPARE(g, cases[x].eg);
        QCOMPARE(r, cases[x].er);
        QCOMPARE(a, cases[x].a);
    }
}

void WidgetsTest::imageTypesFollowTheExtension()
{
    const std::pair<const char*, int> types[] = {{"a.bmp", 1}, {"a.PCX", 2}, {"a.jpg", 3}, {"a.jpeg", 3}, {"a.jpe", 3}, {"a.jfif", 3},
                                                 {"a.gif", 4}, {"a.tga", 5}, {"a.tif", 6}, {"a.TIFF", 6}, {"a.png", 7}, {"a.psd", 8},
                                                 {"a.ico", 9}, {"a.xpm", 10}, {"a.oxo", 11}, {"a.webp", 0}, {"noextension", 0}};
    for (const auto& [szPath, nType] : types)
        QCOMPARE(ImageTypeFromPath(QString::fromUtf8(szPath)), nType);
    QTemporaryDir dir;
    QImage picture(4, 3, QImage::Format_ARGB32);
    picture.fill(Qt::red);
    for (const char* szName : {"picture.PNG", "picture.tga"})
        QVERIFY(picture.save(QDir(dir.path()).filePath(QString::fromUtf8(szName)), "PNG"));
    FCObjImage image;
    QVERIFY(image.LoadFile(QDir(dir.path()).filePath(QStringLiteral("picture.PNG"))));
    QCOMPARE(image.Width(), 4);
    QVERIFY(!image.LoadFile(QDir(dir.path()).filePath(QStringLiteral("picture.tga")))); // no decoder for the type
    QVERIFY(!image.IsValid());
}

void WidgetsTest::picturesAreStretchedWithoutSmoothing()
{
    FCObjImage image;
    image.Create(2, 1, 24);
    image.SetPixel(0, 0, 0, 0, 255, 255);  // red
    image.SetPixel(1, 0, 255, 0, 0, 255);  // blue
    QImage target(4, 2, QImage::Format_RGB32);
    target.fill(Qt::white);
    {
        QPainter painter(&target);
        image.Draw(painter, QRect(0, 0, 4, 2));
    }
    // Pixels repeated, never blended into purple.
    for (int y = 0; y < 2; ++y) {
        QCOMPARE(target.pixel(0, y), qRgb(255, 0, 0));
        QCOMPARE(target.pixel(1, y), qRgb(255, 0, 0));
        QCOMPARE(target.pixel(2, y), qRgb(0, 0, 255));
        QCOMPARE(target.pixel(3, y), qRgb(0, 0, 255));
    }
    FCObjImage empty;
    QPainter painter(&target);
    empty.Draw(painter, QRect(0, 0, 4, 2)); // nothing, and no crash
}

void WidgetsTest::everyEmbeddedPictureLoads()
{
    const std::pair<int, QSize> pictures[] = {{106, {230, 47}}, {107, {630, 215}}, {110, {14, 14}}, {111, {14, 14}},
                                              {144, {14, 14}},  {145, {14, 14}},   {149, {34, 34}}, {160, {34, 34}}};
    for (const auto& [nId, size] : pictures) {
        FCObjImage image;
        QVERIFY2(image.LoadResource(nId), qPrintable(QString::number(nId)));
        QCOMPARE(QSize(image.Width(), image.Height()), size);
        QCOMPARE(image.BitsPerPixel(), 32);
    }
    FCObjImage unknown;
    QVERIFY(!unknown.LoadResource(148));
}

void WidgetsTest::completionPicksTheFirstSortedMatch()
{
    std::vector<std::string> names = {"Meier", "Mayer", "Müller"};
    CColorComboBox combo;
    combo.SetCompletionList(&names);
    combo.show();
    QTest::keyClicks(combo.lineEdit(), QStringLiteral("me"));
    QCOMPARE(combo.currentText(), QStringLiteral("Meier"));
    QCOMPARE(combo.lineEdit()->selectedText(), QStringLiteral("ier"));
    QCOMPARE(names, (std::vector<std::string>{"Mayer", "Meier", "Müller"})); // the list was sorted in place
    combo.lineEdit()->clear();
    QTest::keyClicks(combo.lineEdit(), QStringLiteral("x"));
    QCOMPARE(combo.currentText(), QStringLiteral("x"));
}

void WidgetsTest::tabTextsTakeTheirColours()
{
    CColorTabCtrl tabs;
    tabs.addTab(QStringLiteral("Information"));
    tabs.addTab(QStringLiteral("Configuration"));
    tabs.SetSelectedTextColor(QColor(145, 15, 10));
    tabs.SetNormalTextColor(Qt::black);
    tabs.SetDisabledTextColor(QColor(170, 170, 170));
    QCOMPARE(tabs.TextColorOf(0), QColor(145, 15, 10));
    QCOMPARE(tabs.TextColorOf(1), QColor(Qt::black));
    tabs.EnableTabs(false);
    QCOMPARE(tabs.TextColorOf(0), QColor(145, 15, 10));
    QCOMPARE(tabs.TextColorOf(1), QColor(170, 170, 170));
    QVERIFY(!tabs.isEnabled());
    tabs.EnableTabs(true);
    QCOMPARE(tabs.TextColorOf(1), QColor(Qt::black));
}

void WidgetsTest::registryShowsOnePageAtATime()
{
    Registry registry;
    std::string strError;
    std::string strIgnored;
    QCOMPARE(registry.handler.SendToCurrent(kWmLanguageChanged, strError), 0); // nothing shown yet
    QVERIFY(registry.log.empty());
    for (const auto& [szName, nId] : {std::pair{"InfoGeneric", 130}, std::pair{"Ambra", 137}})
        QCOMPARE(registry.handler.AddDialog(szName, nId, strError), 0);
    registry.parent.show();
    QCOMPARE(registry.handler.ShowDialog("Ambra", strError), 0);
    CDisplayDialog* pAmbra = nullptr;
    QCOMPARE(registry.handler.GetDialog("AMBRA", pAmbra, strError), 0);
    QVERIFY(pAmbra->GetWnd()->isVisible());
    QCOMPARE(pAmbra->GetWnd()->pos(), QPoint(11, 21)); // one pixel into the frame
    QCOMPARE(registry.handler.ShowDialog(" ambra", strIgnored), 0); // the same page: nothing happens
    QCOMPARE(registry.handler.ShowDialog("InfoGeneric", strError), 0);
    QVERIFY(!pAmbra->GetWnd()->isVisible());
    QCOMPARE(registry.handler.SendToCurrent(kWmLanguageChanged, strError), 0);
    QCOMPARE(registry.log, (std::vector<std::string>{"130:1031"}));
}

void WidgetsTest::registryRefusesUnknownAndDoubleNames()
{
    Registry registry;
    std::string strError;
    QCOMPARE(registry.handler.AddDialog("InfoGeneric", 130, strError), 0);
    QCOMPARE(registry.handler.AddDialog("InfoGeneric", 130, strError), Result::InvalidArgument);
    QVERIFY2(strError.find("allready known") != std::string::npos, strError.c_str());
    QCOMPARE(registry.handler.AddDialog("Tools", 999, strError), Result::InvalidArgument);
    QCOMPARE(strError, std::string("Can't create the dialog page with the name (Tools)"));
    QCOMPARE(registry.handler.Dialogs().size(), std::size_t{1});

    QCOMPARE(registry.handler.ShowDialog("InfoGeneric", strError), 0);
    QCOMPARE(registry.handler.ShowDialog("Nowhere", strError), Result::InvalidArgument);
    QCOMPARE(strError, std::string("CHashedObjects::LookupObjectByName: The object with the name (Nowhere) is not known"));
    QVERIFY(!registry.handler.Dialogs().front()->GetWnd()->isVisible()); // already hidden
}

void WidgetsTest::registrySendsInTheOrderPagesWereAdded()
{
    Registry registry;
    std::string strError;
    for (const auto& [szName, nId] : {std::pair{"Tarvo", 136}, std::pair{"Ambra", 137}, std::pair{"InfoGeneric", 130}})
        QCOMPARE(registry.handler.AddDialog(szName, nId, strError), 0);
    QCOMPARE(registry.handler.SendToAll(kWmValveStateMsg, 0, 1, strError), 0);
    QCOMPARE(registry.log, (std::vector<std::string>{"136:1034", "137:1034", "130:1034"}));
    registry.handler.RemoveAll();
    QCOMPARE(registry.parent.findChildren<QWidget*>(), QList<QWidget*>{&registry.frame}); // the pages are gone
}

void WidgetsTest::keyPadTypesWithinTheLimit()
{
    QWidget mainWindow;
    CDlgKeyPad pad(&mainWindow);
    QLineEdit field;
    field.setMaxLength(3);
    field.setText(QStringLiteral("12"));
    pad.SetTarget(&field);
    const auto press = [&pad](int nId) { pad.findChild<QPushButton*>(QStringLiteral("id%1").arg(nId))->click(); };
    press(1244); // "3"
    QCOMPARE(field.text(), QStringLiteral("123"));
    press(1251); // "0", beyond the limit
    QCOMPARE(field.text(), QStringLiteral("123"));
    press(1252); // Back
    QCOMPARE(field.text(), QStringLiteral("12"));
    field.clear();
    press(1252);
    QCOMPARE(field.text(), QString());
    mainWindow.setEnabled(false);
    pad.show();
    press(1253); // OK
    QVERIFY(pad.GetTarget() == nullptr);
    QVERIFY(mainWindow.isEnabled());
    QVERIFY(!pad.isVisible());
}

QTEST_MAIN(WidgetsTest)
#include "test_widgets.moc"
