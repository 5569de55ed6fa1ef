// The input helper window: proxies on the picture, lines to its anchors, values, tips, closing.

#include "dynamicproperty.h"
#include "inputhelper.h"
#include "spinbox.h"

#include <QtTest>
#include <QtWidgets>

class TestInputHelper : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init() { QLocale::setDefault(QLocale::c()); }
    void placesProxiesAndLines_data();
    void placesProxiesAndLines();
    void valuesTipsAndClosing();

private:
    static SpinBox *addProxy(InputHelper &helper, const QString &name, QPoint at)
    {
        auto *proxy = new SpinBox();
        proxy->setObjectName(name);
        proxy->setRange(0, 100000);
        proxy->setProperty(DynamicProperty::InputGIMPosition, at);
        helper.addProxyItem(proxy, false);
        return proxy;
    }
    QTemporaryDir dir;
    QString picture;
};

void TestInputHelper::initTestCase()
{
    // 200 x 100 pixels over a viewBox twice as large; the anchor sits in a moved group, so its
    // centre is ((-12 + 20) / 2, (2 + 10) / 2) = (4, 6) in picture pixels.
    picture = dir.filePath(QStringLiteral("ramp.svg"));
    QFile file(picture);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(R"svg(<svg xmlns="http://www.w3.org/2000/svg" width="200" height="100"
        viewBox="0 0 400 200"><path d="M 0 200 L 100 50 L 300 50 L 400 200" stroke="black"/>
        <g transform="translate(20,10)"><rect id="Anchor-editA" x="-16" y="-2" width="8"
        height="8"/></g></svg>)svg");
}

void TestInputHelper::placesProxiesAndLines_data()
{
    QTest::addColumn<qreal>("resizeBy"); // of the natural size
    QTest::newRow("natural size") << 1.0;
    QTest::newRow("enlarged") << 2.0;
    QTest::newRow("smallest") << 0.5;
}

void TestInputHelper::placesProxiesAndLines()
{
    QFETCH(qreal, resizeBy);
    InputHelper helper(picture, AbstractRamp::SShaped);
    // The last two would cover each other on the picture at its own size.
    const QVector<QPoint> places{{10, 20}, {150, 60}, {150, 80}};
    QVector<SpinBox *> proxies;
    for (int i = 0; i < places.size(); ++i)
        proxies << addProxy(helper, QStringLiteral("edit") + QChar('A' + i), places.at(i));
    helper.workaroundAdjust();
    const qreal natural = helper.scale();
    QVERIFY(natural > 1 && !proxies.at(1)->geometry().intersects(proxies.at(2)->geometry()));
    helper.show();
    helper.resize(helper.size() * resizeBy);

    QCOMPARE(helper.scale() > natural * 1.5, resizeBy > 1);
    QCOMPARE(helper.scale() < natural, resizeBy < 1);
    const QPoint origin = helper.pictureRect().topLeft();
    QCOMPARE(helper.pictureRect().size(), (QSizeF(200, 100) * helper.scale()).toSize());
    for (int i = 0; i < proxies.size(); ++i) {
        QVERIFY(proxies.at(i)->isVisibleTo(&helper));
        QCOMPARE(proxies.at(i)->pos(), origin + places.at(i) * helper.scale());
        QVERIFY(resizeBy < 1 || helper.rect().contains(proxies.at(i)->geometry()));
    }
    // Only editA has an anchor; its line leaves the proxy at the corner nearest to it.
    const QPointF anchor = origin + QPointF(4, 6) * helper.scale();
    QCOMPARE(helper.anchorPoint("editA"), anchor);
    QCOMPARE(helper.lines(),
             QVector<QLineF>{QLineF(proxies.first()->geometry().topLeft(), anchor)});
}

void TestInputHelper::valuesTipsAndClosing()
{
    InputHelper helper(picture, AbstractRamp::SShaped);
    SpinBox *a = addProxy(helper, QStringLiteral("editA"), QPoint(10, 10));
    SpinBox *b = addProxy(helper, QStringLiteral("editB"), QPoint(100, 10));
    b->setValue(7);
    SpinBox field;
    field.setObjectName(QStringLiteral("editA"));
    field.setRange(0, 100000);
    connect(&field, SIGNAL(valueChanged(int)), &helper, SLOT(setValue(int)));
    connect(a, SIGNAL(valueChanged(int)), &field, SLOT(setValue(int)));
    QSignalSpy fieldChanges(&field, SIGNAL(valueChanged(int)));
    QSignalSpy proxyChanges(a, SIGNAL(valueChanged(int)));
    // Each value passes once, only to the proxy of the sender's name, which grows to show it.
    const int narrow = a->width();
    field.setValue(99999);
    QVERIFY(a->intValue() == 99999 && a->width() > narrow);
    a->setValue(99);
    QCOMPARE(QVector<int>({field.intValue(), b->intValue()}), QVector<int>({99, 7}));
    QCOMPARE(QVector<int>({fieldChanges.count(), proxyChanges.count()}), QVector<int>({2, 2}));

    // A proxy's tip on hover is its advanced one, not its own.
    a->setToolTip(QStringLiteral("short"));
    a->setProperty(DynamicProperty::AdvancedTip, QStringLiteral("Velocity VMAX long"));
    QSignalSpy closed(&helper, &InputHelper::closed);
    helper.show();
    QVERIFY(QTest::qWaitForWindowExposed(&helper));
    QHelpEvent hover(QEvent::ToolTip, QPoint(2, 2), a->mapToGlobal(QPoint(2, 2)));
    QApplication::sendEvent(a, &hover);
    QTRY_COMPARE(QToolTip::text(), QStringLiteral("Velocity VMAX long"));
    QToolTip::hideText();
    // Hiding is not closing; closing says false.
    helper.hide();
    QCOMPARE(closed.count(), 0);
    QVERIFY(helper.close());
    QCOMPARE(closed, QList<QVariantList>{{false}});
}

QTEST_MAIN(TestInputHelper)
#include "tst_inputhelper.moc"
