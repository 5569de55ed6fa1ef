#pragma once

#include "genericstepperpositionmode.h"

#include <QPointer>

class QLabel;
class Ui_StepperPositionModeRowan;
namespace Model {
class AxilParameter;
}

// The "Position mode" tool of the Rowan family. It replaces the generic position controls and
// ramp panel with a form of its own: position control with "Clear on Null", hints that say why
// the tool is disabled (chip in standby, external step/direction input), and a collapsible ramp
// group whose edits go straight to the module once the tool has been shown.
class StepperPositionModeRowan final : public GenericStepperPositionMode
{
    Q_OBJECT
public:
    StepperPositionModeRowan(QString name, unsigned char motor, AxilModuleInterface *module,
                             int variant);
    ~StepperPositionModeRowan() override;

    QString version() const override;
    void showPlugin() override;
    void hidePlugin() override;

    // Loads the module's values into the form without writing them back.
    void initAllValues();
    void hideRampMenu();

protected:
    // Not redeclared as slots: the base's slots of the same names, which the form connects by
    // name, dispatch here; slots declared here as well would be connected a second time.
    void on_btnHideController_toggled(bool checked) override;
    void on_btnAbsolute_clicked() override;
    void on_btnRelative_clicked() override;
    void on_btnStop_clicked() override;
    void on_btnClear_clicked() override;

private slots:
    void on_cbRelativeTo_currentIndexChanged(int index);
    void on_editMaxPosVel_valueChanged(int arg1);
    void on_editAcceleration_valueChanged(int arg1);
    void on_editVStartStop_valueChanged(int arg1);
    void on_btnClearOnNull_clicked();

private:
    Q_DISABLE_COPY(StepperPositionModeRowan)
    void displayActualPosition(int value);
    void handleStandbyValueChanged(int value);
    void handleExtStepDirValueChanged(int value);
    void updateHintsBox();
    void writeEdit(QWidget *field, Model::AxilParameter *parameter, qint64 value,
                   const QString &what);
    void moduleGone();

    Ui_StepperPositionModeRowan *ui = nullptr;
    QPointer<Model::AxilParameter> targetPositionParam;
    QPointer<Model::AxilParameter> actualPositionParam;
    QPointer<Model::AxilParameter> maxPosVelParam;
    QPointer<Model::AxilParameter> accelerationParam;
    QPointer<Model::AxilParameter> vStartStopParam;
    QPointer<Model::AxilParameter> relativeToParam;
    QPointer<Model::AxilParameter> clearOnNullParam;
    QPointer<Model::AxilParameter> standbyParam;
    QPointer<Model::AxilParameter> extStepDirParam;
    QPointer<QLabel> standbyHint;
    QPointer<QLabel> extStepDirHint;
    bool initializing = true;
};
