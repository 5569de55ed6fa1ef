#include "stepperpositionmoderowan.h"

#include "ui_stepperpositionmoderowan.h"

#include "axilmoduleinterface.h"
#include "axilparameter.h"
#include "axiscontroller.h"
#include "basictools.h"
#include "cachedbackdrop.h"
#include "firmwarenames.h"
#include "hostmessages.h"
#include "inputrefusal.h"
#include "steadylabelitem.h"

#include <QLabel>
#include <QScopedValueRollback>

namespace {
// Module limits beyond the int range are clamped, not wrapped, so that a spin box's range keeps
// its direction, and a state beyond 32 bits stays non-zero.
using BasicTools::clampToInt;

// A value beyond 32 bits shows as the field's nearest limit, as in the host's fields.
int readIntValue(Model::AxilParameter *parameter)
{
    return clampToInt(parameter->readValue(false));
}

// Takes the spin box's range from the parameter's limits and names the resulting range in the
// tooltip, as "AP <number> (<min>..<max>)".
void applyLimits(QSpinBox *edit, const Model::AxilParameter *parameter, const char *apNumber)
{
    edit->setMaximum(clampToInt(parameter->maximum()));
    edit->setMinimum(clampToInt(parameter->minimum()));
    edit->setToolTip(QStringLiteral("AP %1 (%2..%3)")
                         .arg(QLatin1String(apNumber))
                         .arg(BasicTools::formatNumber(edit->minimum()),
                              BasicTools::formatNumber(edit->maximum())));
}
} // namespace

StepperPositionModeRowan::StepperPositionModeRowan(QString name, unsigned char motor,
                                                   AxilModuleInterface *module, int variant)
    : GenericStepperPositionMode(name, motor, module, variant, QStringLiteral("Position mode")),
      ui(new Ui_StepperPositionModeRowan)
{
    ui->setupUi(this);
    const QPair<QSpinBox *, QLabel *> fields[] = {{ui->editTargetPosition, ui->lblTargetPosition},
                                                  {ui->editMaxPosVel, ui->lblMaxPosVel},
                                                  {ui->editAcceleration, ui->lblMaxAcc},
                                                  {ui->editVStartStop, ui->lblVStartStop}};
    for (const auto &field : fields) {
        InputRefusal::watch(field.first, field.second->text().section(QLatin1Char(':'), 0, 0));
        // QSpinBox leaves out the group separators for every value but the least one.
        field.first->setLocale(BasicTools::numberLocale());
    }
    // The position changes with every polling round; the form around it does not.
    SteadyLabelItem::install(ui->gridLayout, ui->dispActPos);
    new CachedBackdrop(ui->dispActPos);

    if (AxisController *axis = ToolsInterface::controller()) {
        targetPositionParam = axis->targetPosition;
        actualPositionParam = axis->actualPosition;
        maxPosVelParam = axis->maxVelocity;
        accelerationParam = axis->maxAcceleration;
        vStartStopParam = axis->startStopVelocity;
        relativeToParam = axis->relativePositioningOption;
        clearOnNullParam = axis->clearOnNull;
        standbyParam = axis->chipStandby;
        extStepDirParam = axis->externalStepDir;
    }

    ui->cbRelativeTo->addItem(QStringLiteral("target position"));
    ui->cbRelativeTo->addItem(QStringLiteral("actual position"));
    ui->cbRelativeTo->setCurrentIndex(1);
    ui->cbRelativeTo->setEnabled(relativeToParam && relativeToParam->exists());

    if (accelerationParam)
        applyLimits(ui->editAcceleration, accelerationParam, "5");
    if (maxPosVelParam)
        applyLimits(ui->editMaxPosVel, maxPosVelParam, "4");
    if (vStartStopParam && vStartStopParam->exists()) {
        applyLimits(ui->editVStartStop, vStartStopParam, "130");
    } else {
        ui->editVStartStop->setEnabled(false);
        ui->editVStartStop->setVisible(false);
        ui->lblVStartStop->setVisible(false);
    }

    const QString firmware = module ? module->getModuleNameInFirmware() : QString();
    const bool clearOnNull = firmware == QLatin1String(FirmwareNames::Quorlen) ||
                             firmware == QLatin1String(FirmwareNames::Vestrin);
    ui->btnClearOnNull->setEnabled(clearOnNull);
    ui->btnClearOnNull->setVisible(clearOnNull);

    ui->gbHints->setVisible(false);
    standbyHint =
        new QLabel(QStringLiteral("Chip is in standby. This tool is not supported in this case."),
                   ui->gbHints);
    standbyHint->setWordWrap(true);
    standbyHint->setVisible(false);
    extStepDirHint = new QLabel(QStringLiteral("External StepDir interface is being used. Position "
                                               "ramping can only be configured for internal "
                                               "StepDir generator."),
                                ui->gbHints);
    extStepDirHint->setWordWrap(true);
    extStepDirHint->setVisible(false);
    ui->layoutHints->addWidget(standbyHint);
    ui->layoutHints->addWidget(extStepDirHint);
    // The hints come and go with the module's state. The room that the form has to spare goes
    // below the controls, where the hints appear, so that no control moves when one does.
    ui->gridLayout->setRowStretch(ui->gridLayout->rowCount() - 1, 1);
    ui->gridLayout->setAlignment(ui->gbHints, Qt::AlignTop);

    hideRampMenu();

    if (module)
        connect(module, &QObject::destroyed, this, &StepperPositionModeRowan::moduleGone);
    // A ramp value that the host writes for the person (a loaded settings file) shows at once;
    // it is shown, not written back. What a person is typing stays until they commit or leave
    // the field, which then shows what the module holds: their value, or one that came meanwhile.
    const QPair<Model::AxilParameter *, QWidget *> rampFields[] = {
        {maxPosVelParam, ui->editMaxPosVel},
        {accelerationParam, ui->editAcceleration},
        {vStartStopParam, ui->editVStartStop},
        {relativeToParam, ui->cbRelativeTo}};
    for (const auto &ramp : rampFields) {
        Model::AxilParameter *parameter = ramp.first;
        if (!parameter)
            continue;
        QWidget *field = ramp.second;
        const auto follow = [this, field, parameter] {
            const QScopedValueRollback<bool> loading(initializing, true);
            const int value = clampToInt(parameter->lastKnownValue());
            if (auto *edit = qobject_cast<QSpinBox *>(field)) {
                bool readable = false;
                const int typed = edit->locale().toInt(edit->cleanText(), &readable);
                const bool typing = edit->hasFocus() && (!readable || typed != edit->value());
                if (!typing && edit->value() != value)
                    edit->setValue(value);
            } else if (auto *combo = qobject_cast<QComboBox *>(field)) {
                if (combo->currentIndex() != value)
                    combo->setCurrentIndex(value);
            }
        };
        connect(parameter, &Model::AbstractParameter::valueChanged, this, follow);
        if (auto *edit = qobject_cast<QSpinBox *>(field))
            connect(edit, &QAbstractSpinBox::editingFinished, this, follow);
    }
    if (actualPositionParam)
        connect(actualPositionParam, &Model::AbstractParameter::valueChanged, this,
                [this](long long value) { displayActualPosition(static_cast<qint32>(value)); });
    // The states are narrowed to int as they arrive, like the position.
    if (standbyParam)
        connect(standbyParam, &Model::AbstractParameter::valueChanged, this,
                [this](long long value) { handleStandbyValueChanged(static_cast<int>(value)); });
    if (extStepDirParam)
        connect(extStepDirParam, &Model::AbstractParameter::valueChanged, this,
                [this](long long value) { handleExtStepDirValueChanged(static_cast<int>(value)); });
    // initializing stays true until the first show: nothing the widgets went through so far (the
    // combo box being filled, values clamped to the new limits) reaches the module.
}

StepperPositionModeRowan::~StepperPositionModeRowan()
{
    delete ui;
}

QString StepperPositionModeRowan::version() const
{
    return GenericStepperPositionMode::version();
}

void StepperPositionModeRowan::showPlugin()
{
    initAllValues();
    if (actualPositionParam)
        addTrace(actualPositionParam->xmlParameter());
    if (standbyParam)
        addTrace(standbyParam->xmlParameter());
    if (extStepDirParam)
        addTrace(extStepDirParam->xmlParameter());
    // Polling reports changes only. A tool created after the host last read these values starts
    // from them; at power-up they are 0, which is what a new tool shows anyway.
    if (actualPositionParam)
        displayActualPosition(static_cast<qint32>(actualPositionParam->lastKnownValue()));
    if (standbyParam && static_cast<int>(standbyParam->lastKnownValue()) != 0)
        handleStandbyValueChanged(static_cast<int>(standbyParam->lastKnownValue()));
    if (extStepDirParam && static_cast<int>(extStepDirParam->lastKnownValue()) != 0)
        handleExtStepDirValueChanged(static_cast<int>(extStepDirParam->lastKnownValue()));
}

void StepperPositionModeRowan::hidePlugin()
{
    removeAllTraces();
}

void StepperPositionModeRowan::initAllValues()
{
    initializing = true;
    if (maxPosVelParam)
        ui->editMaxPosVel->setValue(readIntValue(maxPosVelParam));
    if (accelerationParam)
        ui->editAcceleration->setValue(readIntValue(accelerationParam));
    // While a hint disables the tool the field is disabled too, so whether the module has the
    // parameter is told by the field being hidden since construction.
    if (!ui->editVStartStop->isHidden() && vStartStopParam)
        ui->editVStartStop->setValue(readIntValue(vStartStopParam));
    if (targetPositionParam)
        ui->editTargetPosition->setValue(readIntValue(targetPositionParam));
    if (relativeToParam && relativeToParam->exists()) {
        // A tool disabled by a hint keeps its controls disabled until the hint goes away.
        if (toolEnabled()) {
            ui->lblRelativeTo->setEnabled(true);
            ui->cbRelativeTo->setEnabled(true);
        }
        ui->cbRelativeTo->setCurrentIndex(readIntValue(relativeToParam));
    }
    initializing = false;
}

void StepperPositionModeRowan::hideRampMenu()
{
    ui->grpRamp->setMaximumHeight(0);
    ui->grpRamp->setMaximumWidth(0);
    ui->grpRamp->setVisible(false);
}

void StepperPositionModeRowan::on_btnHideController_toggled(bool checked)
{
    if (checked) {
        hideRampMenu();
        return;
    }
    ui->grpRamp->setMaximumHeight(QWIDGETSIZE_MAX);
    ui->grpRamp->setMaximumWidth(QWIDGETSIZE_MAX);
    ui->grpRamp->setVisible(true);
}

void StepperPositionModeRowan::on_btnAbsolute_clicked()
{
    doMoveToPosition(ui->editTargetPosition->value());
}

void StepperPositionModeRowan::on_btnRelative_clicked()
{
    // Whether the distance counts from the target or the actual position is the module's
    // relative positioning option.
    doMoveToRelPosition(ui->editTargetPosition->value());
}

void StepperPositionModeRowan::on_btnStop_clicked()
{
    doMotorStop();
}

void StepperPositionModeRowan::on_btnClear_clicked()
{
    doMotorStop();
    if (targetPositionParam)
        targetPositionParam->writeValue(0);
    if (actualPositionParam)
        actualPositionParam->writeValue(0);
}

void StepperPositionModeRowan::on_btnClearOnNull_clicked()
{
    if (!commandable(tr("clear on null")))
        return;
    // No stop: the module zeros its counters once the motor stands still, so a running move
    // ends first.
    if (targetPositionParam)
        targetPositionParam->writeValue(0);
    if (clearOnNullParam)
        clearOnNullParam->writeValue(1);
}

void StepperPositionModeRowan::writeEdit(QWidget *field, Model::AxilParameter *parameter,
                                         qint64 value, const QString &what)
{
    if (initializing || !commandable(what) || !parameter)
        return;
    if (toolEnabled()) {
        if (parameter->writeValue(value))
            return;
    } else {
        // A hint locked the tool while a person typed: focus leaving the field committed the
        // text, but a locked field writes nothing.
        HostMessages::post(tr("%1: %2 was not written; the field was locked while you typed.")
                               .arg(toolsName())
                               .arg(value));
    }
    // Refused by the module, which reports why: the field shows again what the module holds.
    const QScopedValueRollback<bool> loading(initializing, true);
    if (auto *edit = qobject_cast<QSpinBox *>(field))
        edit->setValue(clampToInt(parameter->lastKnownValue()));
    else if (auto *combo = qobject_cast<QComboBox *>(field))
        combo->setCurrentIndex(clampToInt(parameter->lastKnownValue()));
}

void StepperPositionModeRowan::moduleGone()
{
    // The buttons stay enabled: pressing one tells the person why nothing happens.
    const QString why = tr("Not available: the module is no longer connected.");
    for (QWidget *field :
         {static_cast<QWidget *>(ui->editMaxPosVel), static_cast<QWidget *>(ui->editAcceleration),
          static_cast<QWidget *>(ui->editVStartStop), static_cast<QWidget *>(ui->cbRelativeTo)}) {
        field->setEnabled(false);
        field->setToolTip(why);
    }
}

void StepperPositionModeRowan::on_cbRelativeTo_currentIndexChanged(int index)
{
    writeEdit(ui->cbRelativeTo, relativeToParam, index, tr("write the relative positioning"));
}

void StepperPositionModeRowan::on_editMaxPosVel_valueChanged(int arg1)
{
    writeEdit(ui->editMaxPosVel, maxPosVelParam, arg1, tr("write the maximum velocity"));
}

void StepperPositionModeRowan::on_editAcceleration_valueChanged(int arg1)
{
    writeEdit(ui->editAcceleration, accelerationParam, arg1, tr("write the acceleration"));
}

void StepperPositionModeRowan::on_editVStartStop_valueChanged(int arg1)
{
    writeEdit(ui->editVStartStop, vStartStopParam, arg1, tr("write the start/stop velocity"));
}

void StepperPositionModeRowan::displayActualPosition(int value)
{
    ui->dispActPos->setText(BasicTools::formatNumber(value));
}

void StepperPositionModeRowan::handleStandbyValueChanged(int value)
{
    PluginInterface::setEnabled(value == 0);
    if (standbyHint) {
        standbyHint->setVisible(value != 0);
        standbyHint->setEnabled(value != 0);
    }
    ui->dispActPos->setEnabled(true);
    updateHintsBox();
}

void StepperPositionModeRowan::handleExtStepDirValueChanged(int value)
{
    // Any value but 0 keeps the internal ramp from driving the motor; only 1 has a hint.
    PluginInterface::setEnabled(value == 0);
    if (extStepDirHint) {
        extStepDirHint->setVisible(value == 1);
        extStepDirHint->setEnabled(value == 1);
    }
    ui->dispActPos->setEnabled(true);
    updateHintsBox();
}

void StepperPositionModeRowan::updateHintsBox()
{
    const bool anyHint = !ui->layoutHints->isEmpty();
    ui->gbHints->setVisible(anyHint);
    ui->gbHints->setEnabled(anyHint);
}
