#include "genericstepperpositionmode.h"

#include "ui_genericstepperpositionmode.h"

#include "axilmoduleinterface.h"
#include "axilparameter.h"
#include "axiscontroller.h"
#include "basictools.h"
#include "cachedbackdrop.h"
#include "cachedprogressbar.h"
#include "inputrefusal.h"
#include "plugindevinfo.h"
#include "pluginvariant.h"
#include "steadylabelitem.h"
#include "stepperpositionmodebirch.h"
#include "stepperpositionmodecedar.h"
#include "stepperpositionmodehazel.h"
#include "stepperpositionmodelarch.h"
#include "stepperpositionmodemaple.h"
#include "stepperpositionmoderowan.h"
#include "xmlparameterwidget.h"

#include <QScopedValueRollback>

#include <cstdlib>

namespace {
const char positionModeTitle[] = "Position mode";
const char controlIcon[] = ":/Icons/control";
// POSITIONMODE_VERSION is the project's version, given by the build.
const char versionText[] = POSITIONMODE_VERSION
    " - tools_generic_stepper_position_mode;Plugin-Interface." POSITIONMODE_VERSION
    ".tools_generic_stepper_position_mode;Plugin ;Plugin.Interface.";

QString toolNameFor(int variant)
{
    switch (variant) {
    case PluginVariant::StepperHazelPositionMode:
        return QStringLiteral("StepperHazel");
    case PluginVariant::StepperBirchPositionMode:
        return QStringLiteral("StepperBirch");
    case PluginVariant::StepperCedarPositionMode:
        return QStringLiteral("StepperCedar");
    case PluginVariant::StepperMaplePositionMode:
        return QStringLiteral("StepperMaple");
    case PluginVariant::StepperLarchPositionMode:
        return QStringLiteral("StepperLarch");
    case PluginVariant::StepperRowanPositionMode:
        return QStringLiteral("StepperRowan");
    default:
        return QString();
    }
}
} // namespace

GenericStepperPositionMode::GenericStepperPositionMode()
    : ToolsInterface(QStringLiteral("undefined"), QLatin1String(positionModeTitle),
                     ToolsType::GenericStepperPositionMode, 0, nullptr, QLatin1String(controlIcon),
                     nullptr)
{
    compatibleVariantsList = QList<int>();
    compatibleVariantsList << PluginVariant::StepperBirchPositionMode
                           << PluginVariant::StepperCedarPositionMode
                           << PluginVariant::StepperMaplePositionMode
                           << PluginVariant::StepperLarchPositionMode
                           << PluginVariant::StepperRowanPositionMode
                           << PluginVariant::StepperHazelPositionMode;
}

GenericStepperPositionMode::GenericStepperPositionMode(QString name, unsigned char motor,
                                                       AxilModuleInterface *module, int variant)
    : ToolsInterface(name, QLatin1String(positionModeTitle), ToolsType::GenericStepperPositionMode,
                     variant, motor, module, QLatin1String(controlIcon), nullptr),
      ui(new Ui_GeneralStepperPositionMode)
{
    this->variant = variant;
    ui->setupUi(this);
    InputRefusal::watch(ui->editTargetPosition, ui->lblTargPos->text().remove(QLatin1Char(':')));
    // QSpinBox leaves out the group separators for every value but the least one.
    ui->editTargetPosition->setLocale(BasicTools::numberLocale());
    // The number and the bar change with every polling round; the group box around them and the
    // layout of the form do not.
    SteadyLabelItem::install(ui->gridLayout, ui->dispActualPosition);
    new CachedBackdrop(ui->dispActualPosition);
    new CachedProgressBar(ui->progressBar, new CachedBackdrop(ui->progressBar));

    if (getVariant(variant))
        ui->mainLayout->addWidget(stepperMenu);

    controller = module ? module->controller(motor) : nullptr;
    if (!controller) {
        // No axis to control: show the controls, disabled, and say why.
        setupTargetPosition();
        initRelativePosition();
        hideStepperMenu();
        ui->grpPosition->setEnabled(false);
        ui->grpPosition->setToolTip(tr("This module has no motor %1.").arg(motor));
        return;
    }

    if (controller->actualPosition->exists())
        connect(controller->actualPosition, &Model::AbstractParameter::valueChanged, this,
                [this](long long value) { handleActualPosValueChanged(static_cast<int>(value)); });

    relativePositionOption = addWidgetParameter(
        ui->editRelativePosition, controller->relativePositioningOption, DisplayType::TwoChoice);
    actualPosition = addParameter(controller->actualPosition);
    clearedCounter = addParameter(controller->encoderPosition);
    targetPosition = controller->targetPosition;

    setupTargetPosition();
    initWidgetParameters();
    initRelativePosition();
    hideStepperMenu();
    placeCollapseButtonLast();
}

void GenericStepperPositionMode::placeCollapseButtonLast()
{
    // The panel is made after the form, so its controls would follow the collapse button in the
    // focus chain; the button stands at the right edge, after the panel.
    if (!stepperMenu)
        return;
    QWidget *last = nullptr;
    for (QWidget *w = stepperMenu->nextInFocusChain(); stepperMenu->isAncestorOf(w);
         w = w->nextInFocusChain()) {
        if (w->focusPolicy() & Qt::TabFocus)
            last = w;
    }
    if (last)
        QWidget::setTabOrder(last, ui->btnHideController);
}

GenericStepperPositionMode::GenericStepperPositionMode(QString name, unsigned char motor,
                                                       AxilModuleInterface *module, int variant,
                                                       QString title)
    : ToolsInterface(name, title, ToolsType::GenericStepperPositionMode, variant, motor, module,
                     QLatin1String(controlIcon), nullptr)
{}

GenericStepperPositionMode::~GenericStepperPositionMode()
{
    delete ui;
}

QString GenericStepperPositionMode::version() const
{
    return QLatin1String(versionText);
}

void GenericStepperPositionMode::aboutToExit() {}

bool GenericStepperPositionMode::isUsableForVariant(int v)
{
    variant = v;
    const QString name = toolNameFor(v);
    if (name.isEmpty()) {
        variant = 0;
        return false;
    }
    setToolsName(name);
    addInfo(QLatin1String(PluginDevInfo::UpToDate), 9);
    return true;
}

ToolsInterface *GenericStepperPositionMode::clone(QString name, unsigned char motor,
                                                  AxilModuleInterface *module)
{
    if (variant == PluginVariant::StepperRowanPositionMode)
        return new StepperPositionModeRowan(name, motor, module, variant);
    return new GenericStepperPositionMode(name, motor, module, variant);
}

bool GenericStepperPositionMode::getVariant(int v)
{
    switch (v) {
    case PluginVariant::StepperHazelPositionMode:
        hazelPanel = new StepperPositionModeHazel(this);
        stepperMenu = hazelPanel.data();
        return true;
    case PluginVariant::StepperBirchPositionMode:
        birchPanel = new StepperPositionModeBirch(this);
        stepperMenu = birchPanel.data();
        connect(this, &GenericStepperPositionMode::forward_showPlugin, birchPanel.data(),
                &StepperPositionModeBirch::showPlugin);
        return true;
    case PluginVariant::StepperCedarPositionMode:
        cedarPanel = new StepperPositionModeCedar(this);
        stepperMenu = cedarPanel.data();
        return true;
    case PluginVariant::StepperMaplePositionMode:
        maplePanel = new StepperPositionModeMaple(this);
        stepperMenu = maplePanel.data();
        return true;
    case PluginVariant::StepperLarchPositionMode:
        larchPanel = new StepperPositionModeLarch(this);
        stepperMenu = larchPanel.data();
        connect(this, &GenericStepperPositionMode::forward_showPlugin, larchPanel.data(),
                &StepperPositionModeLarch::showPlugin);
        connect(this, &GenericStepperPositionMode::forward_hidePlugin, larchPanel.data(),
                &StepperPositionModeLarch::hidePlugin);
        connect(this, &GenericStepperPositionMode::forward_btnAbsolute, larchPanel.data(),
                &StepperPositionModeLarch::btnAbsolute);
        connect(this, &GenericStepperPositionMode::forward_btnRelative, larchPanel.data(),
                &StepperPositionModeLarch::btnRelative);
        return true;
    default:
        return false;
    }
}

void GenericStepperPositionMode::hideStepperMenu()
{
    if (stepperMenu)
        stepperMenu->setVisible(false);
}

void GenericStepperPositionMode::showPlugin()
{
    readUsedParameters();
    if (actualPosition)
        addTrace(actualPosition->xmlParameter());
    if (actualPosition && actualPosition->exists() && controller)
        handleActualPosValueChanged(static_cast<int>(controller->actualPosition->lastKnownValue()));
    emit forward_showPlugin();
}

void GenericStepperPositionMode::hidePlugin()
{
    removeAllTraces();
    emit forward_hidePlugin();
}

void GenericStepperPositionMode::setupTargetPosition()
{
    if (!targetPosition || !targetPosition->exists())
        return;
    QSpinBox *edit = ui->editTargetPosition;
    edit->setSuffix(targetPosition->unit());
    // A module may declare limits wider than the field can hold: the field keeps what it can.
    edit->setRange(BasicTools::clampToInt(targetPosition->minimum()),
                   BasicTools::clampToInt(targetPosition->maximum()));
    edit->setValue(BasicTools::clampToInt(targetPosition->lastKnownValue()));
    XmlParameterInterface *xml = targetPosition->xmlParameter();
    const XmlValueInterface *value = xml->value();
    edit->setToolTip(xml->parameterTypeDescription() + QLatin1String("\n") +
                     value->getTypeAsString() + QLatin1String(" [") +
                     BasicTools::int64InsertDot(value->lowerLimit()) + QLatin1String(" .. ") +
                     BasicTools::int64InsertDot(value->upperLimit()) + QLatin1String("]"));
}

void GenericStepperPositionMode::initRelativePosition()
{
    if (relativePositionOption && relativePositionOption->exists()) {
        ui->cbRelativePositionOption->setVisible(false);
        return;
    }
    ui->cbRelativePositionOption->addItem(QStringLiteral("Actual position"));
    ui->cbRelativePositionOption->setEnabled(false);
    ui->editRelativePosition->setVisible(false);
}

int GenericStepperPositionMode::readInt(Model::AxilParameter *parameter)
{
    return static_cast<int>(parameter->readValue(false));
}

void GenericStepperPositionMode::readBackMove()
{
    const QScopedValueRollback<bool> own(ownAccess, true);
    if (targetPosition)
        moveTarget = readInt(targetPosition);
    if (actualPosition)
        moveStart = readInt(actualPosition);
}

void GenericStepperPositionMode::showMoveState()
{
    // The bar shows the state that the button left (100 once stopped, 0 at the start of a move)
    // without waiting for the motor to change its position.
    if (actualPosition && actualPosition->exists() && controller)
        showPosition(static_cast<int>(controller->actualPosition->lastKnownValue()));
}

void GenericStepperPositionMode::on_btnAbsolute_clicked()
{
    emit forward_btnAbsolute();
    doMoveToPosition(ui->editTargetPosition->value());
    readBackMove();
    moveActive = true;
    showMoveState();
}

void GenericStepperPositionMode::on_btnRelative_clicked()
{
    emit forward_btnRelative();
    doMoveToRelPosition(ui->editTargetPosition->value());
    readBackMove();
    moveActive = true;
    showMoveState();
}

void GenericStepperPositionMode::on_btnStop_clicked()
{
    doMotorStop();
    readBackMove();
    moveActive = false;
    showMoveState();
}

void GenericStepperPositionMode::on_btnClear_clicked()
{
    doMotorStop();
    {
        // Zeroing the actual position reports it like a poll would; it is no arrival.
        const QScopedValueRollback<bool> own(ownAccess, true);
        if (targetPosition)
            targetPosition->writeValue(0);
        if (actualPosition)
            actualPosition->writeValue(0);
        if (clearedCounter)
            clearedCounter->writeValue(0);
    }
    readBackMove();
    showMoveState();
}

void GenericStepperPositionMode::on_btnHideController_toggled(bool checked)
{
    if (stepperMenu)
        stepperMenu->setVisible(!checked);
}

void GenericStepperPositionMode::handleActualPosValueChanged(int value)
{
    showPosition(value);
    // Only the motor reaching the target ends a move or turns it round; the tool's own reads
    // and writes of the position after a button are not the motor arriving.
    if (value != moveTarget || ownAccess)
        return;
    if (moveActive && ui->cbAlternating->isChecked()) {
        std::swap(moveStart, moveTarget);
        if (targetPosition)
            targetPosition->writeValue(qint64(moveTarget));
    } else {
        moveActive = false;
    }
}

void GenericStepperPositionMode::showPosition(int value)
{
    ui->dispActualPosition->setText(BasicTools::formatNumber(value));

    int percent = 100;
    if (moveActive && moveTarget != moveStart) {
        const qint64 travelled = (qint64(value) - moveStart) * 100;
        const qint64 span = qint64(moveTarget) - moveStart;
        percent = int(qMin<qint64>(100, std::llabs(travelled / span)));
    }
    // QProgressBar::setValue repaints at once, in the middle of the host's polling round; with
    // updates held back for the change, the bar is painted by the event loop together with the
    // number above it.
    QProgressBar *bar = ui->progressBar;
    if (bar->value() != percent && bar->updatesEnabled()) {
        bar->setUpdatesEnabled(false);
        bar->setValue(percent);
        bar->setUpdatesEnabled(true);
    } else {
        bar->setValue(percent);
    }
}
