#include "stepperpositionmodelarch.h"

#include "ui_stepperpositionmodelarch.h"

#include "axilmoduleinterface.h"
#include "axilparameter.h"
#include "axiscontroller.h"
#include "helpertargetarea.h"
#include "sharedsvgrenderers.h"
#include "toolsinterface.h"
#include "xmlparameterwidget.h"

#include <QEvent>
#include <QGraphicsScene>
#include <QGraphicsSvgItem>
#include <QGraphicsView>
#include <QMatrix>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QSvgRenderer>
#include <QtMath>

namespace {
// Keeps the whole ramp picture in view, scaled with the view, so that a narrow panel shows all of
// it instead of a scrolled part. The view asks for room to show the picture at a scale where its
// labels and values stay legible (8 px for its 13 px texts).
class PictureFitter final : public QObject
{
public:
    explicit PictureFitter(QGraphicsView *view) : QObject(view), m_view(view)
    {
        view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        view->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        view->setRenderHint(QPainter::Antialiasing);
        view->viewport()->installEventFilter(this);
    }
    void fit() const
    {
        if (!m_view->scene())
            return;
        const QRectF picture = m_view->scene()->sceneRect();
        const int frame = 2 * m_view->frameWidth();
        m_view->setMinimumSize(qCeil(picture.width() * legibleScale) + frame,
                               qCeil(picture.height() * legibleScale) + frame);
        m_view->fitInView(picture, Qt::KeepAspectRatio);
    }
    static constexpr qreal legibleScale = 0.62;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Resize)
            fit();
        return QObject::eventFilter(watched, event);
    }

private:
    QGraphicsView *m_view;
};

// Field keys in field order; "Field-" and the key name the key's rectangle on the eight-point
// picture.
const char *const fieldKeys[] = {"VSTART", "VSTOP", "V1", "V2", "VMAX", "TVMAX", "A1",
                                 "A2",     "AMAX",  "D1", "D2", "DMAX", "TZERO"};
} // namespace

StepperPositionModeLarch::StepperPositionModeLarch(ToolsInterface *tool)
    : QWidget(tool), ui(new Ui_StepperPositionModeLarch)
{
    ui->setupUi(this);
    ui->btnInputHelper->hide();

    ui->graphicsView->setScene(new QGraphicsScene(this));
    // Room to spare goes to the diagram, the panel's centre piece.
    ui->horizontalLayout_4->setStretch(0, 1);
    QSizePolicy policy = sizePolicy();
    policy.setHorizontalStretch(1);
    setSizePolicy(policy);
    auto *fitter = new PictureFitter(ui->graphicsView);
    connect(ui->graphicsView->scene(), &QGraphicsScene::sceneRectChanged, fitter,
            [fitter] { fitter->fit(); });

    this->tool = tool;
    motor = tool ? tool->motorNumber() : 0;
    controller = tool ? tool->controller() : nullptr;

    reloadButton = new QPushButton(QStringLiteral("Reload"), this);
    reloadButton->setObjectName(QStringLiteral("btnReload"));
    reloadButton->setToolTip(QStringLiteral("Reads the ramp values from the module again."));
    connect(reloadButton.data(), &QPushButton::clicked, this, &StepperPositionModeLarch::reload);

    if (controller) {
        const QString toolName = tool->toolsName(false);
        paramVMAX = controller->maxVelocity->getWarned(toolName);
        paramAMAX = controller->maxAcceleration->getWarned(toolName);
        paramDMAX = controller->maxDeceleration->getWarned(toolName);
        paramVSTART = controller->startVelocity->getWarned(toolName);
        paramA1 = controller->a1->getWarned(toolName);
        paramA2 = controller->a2->getWarned(toolName);
        paramV1 = controller->v1->getWarned(toolName);
        paramV2 = controller->v2->getWarned(toolName);
        paramD1 = controller->d1->getWarned(toolName);
        paramD2 = controller->d2->getWarned(toolName);
        paramVSTOP = controller->stopVelocity->getWarned(toolName);
        paramTZERO = controller->tzerowait->getWarned(toolName);
        paramTVMAX = controller->tvmax->getWarned(toolName);
    }
    parameters << paramVMAX << paramAMAX << paramDMAX << paramVSTART << paramA1 << paramA2
               << paramV1 << paramV2 << paramD1 << paramD2 << paramVSTOP << paramTZERO
               << paramTVMAX;

    widgetVSTART = new XmlParameterWidget(paramVSTART, this);
    widgetVSTOP = new XmlParameterWidget(paramVSTOP, this);
    widgetV1 = new XmlParameterWidget(paramV1, this);
    widgetV2 = new XmlParameterWidget(paramV2, this);
    widgetVMAX = new XmlParameterWidget(paramVMAX, this);
    widgetTVMAX = new XmlParameterWidget(paramTVMAX, this);
    widgetA1 = new XmlParameterWidget(paramA1, this);
    widgetA2 = new XmlParameterWidget(paramA2, this);
    widgetAMAX = new XmlParameterWidget(paramAMAX, this);
    widgetD1 = new XmlParameterWidget(paramD1, this);
    widgetD2 = new XmlParameterWidget(paramD2, this);
    widgetDMAX = new XmlParameterWidget(paramDMAX, this);
    widgetTZERO = new XmlParameterWidget(paramTZERO, this);

    const QVector<XmlParameterWidget *> widgets = fieldWidgets();
    for (int i = 0; i < widgets.size(); ++i) {
        const Model::AxilParameter *parameter = widgets.at(i)->parameter();
        ui->formLayoutRamp->addRow(parameter ? parameter->displayName()
                                             : QLatin1String(fieldKeys[i]),
                                   widgets.at(i)->widget());
    }
    ui->formLayoutRamp->addRow(reloadButton.data());
    // The button was made before the fields; Tab reaches it after them, as it stands.
    if (widgetTZERO && widgetTZERO->widget())
        QWidget::setTabOrder(widgetTZERO->widget(), reloadButton);

    // valueUpdated carries 64 bits; the check does not use the value.
    for (Model::AxilParameter *parameter :
         {paramVSTART.data(), paramVSTOP.data(), paramAMAX.data(), paramDMAX.data()}) {
        if (parameter)
            connect(parameter, &Model::AbstractParameter::valueUpdated, this,
                    [this](long long value) { handleValuesChanged(static_cast<int>(value)); });
    }

    // A value that arrived while the person typed in the field is shown when they finish.
    for (XmlParameterWidget *field : {widgetVSTART.data(), widgetVSTOP.data()}) {
        if (field)
            connect(field, &XmlParameterWidget::editingEnded, this,
                    [this] { handleValuesChanged(0); });
    }

    trapezMode(false);
    settingsCheck();
}

StepperPositionModeLarch::~StepperPositionModeLarch()
{
    delete ui;
}

QVector<XmlParameterWidget *> StepperPositionModeLarch::fieldWidgets() const
{
    return {widgetVSTART, widgetVSTOP, widgetV1, widgetV2, widgetVMAX, widgetTVMAX, widgetA1,
            widgetA2,     widgetAMAX,  widgetD1, widgetD2, widgetDMAX, widgetTZERO};
}

void StepperPositionModeLarch::trapezMode(bool on)
{
    QGraphicsScene *scene = ui->graphicsView->scene();
    if (on) {
        for (XmlParameterWidget *widget : fieldWidgets()) {
            if (!widget)
                continue;
            QString held = tr("The trapezoidal ramp keeps it as it is.");
            if (widget == widgetV1 || widget == widgetV2)
                held = tr("The trapezoidal ramp holds it at 0.");
            else if (widget == widgetA1 || widget == widgetA2)
                held = tr("The trapezoidal ramp sets it to the maximum acceleration.");
            else if (widget == widgetD1 || widget == widgetD2)
                held = tr("The trapezoidal ramp sets it to the maximum deceleration.");
            widget->setDisabledReason(held + QLatin1Char(' ') +
                                      tr("Switch to the eight-point ramp to change it."));
            widget->setEnabled(widget == widgetVMAX || widget == widgetAMAX ||
                               widget == widgetDMAX);
        }
        auto *item = new QGraphicsSvgItem;
        item->setSharedRenderer(
            SharedSvgRenderers::renderer(QStringLiteral(":/Images/TrapezRampe")));
        scene->clear();
        scene->setSceneRect(item->boundingRect());
        scene->addItem(item);
        return;
    }

    for (XmlParameterWidget *widget : fieldWidgets()) {
        if (widget)
            widget->setEnabled(true);
    }
    // The pictures are parsed once, for all panels and switches.
    auto *item = new QGraphicsSvgItem;
    item->setSharedRenderer(
        SharedSvgRenderers::renderer(QStringLiteral(":/Images/EightPointRamp")));
    item->setParent(scene);
    item->setPos(0, 0);
    scene->clear();
    const QRectF viewBox(item->renderer()->viewBox());
    const QRectF itemRect = item->boundingRect();
    const QVector<XmlParameterWidget *> widgets = fieldWidgets();
    for (int i = 0; i < widgets.size(); ++i) {
        const QRectF bounds = item->renderer()->boundsOnElement(QStringLiteral("Field-") +
                                                                QLatin1String(fieldKeys[i]));
        scene->addItem(
            new HelperTargetArea(mapRectToScene(viewBox, itemRect, bounds), widgets.at(i)));
    }
    scene->addItem(item);
}

QRectF StepperPositionModeLarch::mapRectToScene(QRectF viewBox, QRectF itemRect,
                                                QRectF elementRect) const
{
    // A picture that did not load has an empty view box; its axes stay unscaled rather than
    // turning every rectangle into NaN.
    const float sx = viewBox.width() != 0.0 ? float(itemRect.width() / viewBox.width()) : 1.0f;
    const float sy = viewBox.height() != 0.0 ? float(itemRect.height() / viewBox.height()) : 1.0f;
    QT_WARNING_PUSH
    QT_WARNING_DISABLE_DEPRECATED
    QMatrix matrix;
    matrix.scale(sx, sy);
    const QRectF mapped = matrix.mapRect(elementRect);
    QT_WARNING_POP
    return mapped;
}

void StepperPositionModeLarch::settingsCheck()
{
    // Without the module there is nothing to keep consistent, and nothing could be written.
    if (!shown || !controller)
        return;
    if (widgetVSTART && widgetVSTOP) {
        const int startVelocity = widgetVSTART->value();
        if (startVelocity > 10) {
            // At the top of its range the stop velocity can only equal the start velocity.
            const int above = int(qMin<qint64>(qint64(startVelocity) + 1, widgetVSTOP->maximum()));
            widgetVSTOP->setMinimum(above);
            if (startVelocity >= widgetVSTOP->value())
                widgetVSTOP->setAndUpdateValue(above);
        }
    }
    if (!trapezoidal)
        return;
    if (widgetV1)
        widgetV1->setAndUpdateValue(0);
    if (widgetV2)
        widgetV2->setAndUpdateValue(0);
    if (widgetDMAX) {
        if (widgetD1)
            widgetD1->setAndUpdateValue(widgetDMAX->value());
        if (widgetD2)
            widgetD2->setAndUpdateValue(widgetDMAX->value());
    }
    if (widgetAMAX) {
        if (widgetA1)
            widgetA1->setAndUpdateValue(widgetAMAX->value());
        if (widgetA2)
            widgetA2->setAndUpdateValue(widgetAMAX->value());
    }
}

void StepperPositionModeLarch::on_btnSwitchMode_clicked()
{
    if (trapezoidal) {
        trapezoidal = false;
        ui->btnSwitchMode->setText(QStringLiteral("Switch to trapezoidal ramp"));
    } else {
        trapezoidal = true;
        ui->btnSwitchMode->setText(QStringLiteral("Switch to eightpoint ramp"));
    }
    trapezMode(trapezoidal);
    settingsCheck();
}

void StepperPositionModeLarch::showPlugin()
{
    shown = true;
    if (tool && controller && controller->actualVelocity)
        tool->addTrace(controller->actualVelocity->xmlParameter());
    reload();
    handleValuesChanged(0);
}

void StepperPositionModeLarch::hidePlugin()
{
    shown = false;
}

void StepperPositionModeLarch::reload()
{
    {
        // Each read reports its value at once; the rules must judge the values the module holds,
        // all of them read, not a new start velocity against a stop velocity not yet read.
        const QScopedValueRollback<bool> reading(reloading, true);
        for (const QPointer<Model::AxilParameter> &parameter : qAsConst(parameters)) {
            if (parameter)
                parameter->readValue(false);
        }
    }
    settingsCheck();
}

void StepperPositionModeLarch::handleValuesChanged(int)
{
    if (!reloading)
        settingsCheck();
}

void StepperPositionModeLarch::btnAbsolute()
{
    settingsCheck();
}

void StepperPositionModeLarch::btnRelative()
{
    settingsCheck();
}
