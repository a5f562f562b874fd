#include <QTest>
class DialogsTest : public QObject {
    Q_OBJECT
};
QTEST_MAIN(DialogsTest)
#include "test_dialogs.moc"
