#pragma once

// Parameter-name keys: the names under which a module description lists an axis parameter.
// A parameter reports its key through Model::AbstractParameter::parameterName().
namespace ParameterType {
constexpr char cmd_TargetPosition[] = "par::TargetPosition";
constexpr char cmd_ActualPosition[] = "par::ActualPosition";
constexpr char cmd_ActualVelocity[] = "par::ActualVelocity";
constexpr char cmd_RelativePositioningOption[] = "par::RelativePositioningOption";
constexpr char cmd_EncoderPosition[] = "par::EncoderPosition";
constexpr char cmd_MaxVelocity[] = "par::MaxVelocity";
constexpr char cmd_MaxAcceleration[] = "par::MaxAcceleration";
constexpr char cmd_MaxDeceleration[] = "par::MaxDeceleration";
constexpr char cmd_StartVelocity[] = "par::StartVelocity";
constexpr char cmd_StopVelocity[] = "par::StopVelocity";
constexpr char cmd_StartStopVelocity[] = "par::StartStopVelocity";
constexpr char cmd_V1[] = "par::V1";
constexpr char cmd_V2[] = "par::V2";
constexpr char cmd_A1[] = "par::A1";
constexpr char cmd_A2[] = "par::A2";
constexpr char cmd_D1[] = "par::D1";
constexpr char cmd_D2[] = "par::D2";
constexpr char cmd_TVMAX[] = "par::TVMAX";
constexpr char cmd_TZEROWAIT[] = "par::TZEROWAIT";
constexpr char cmd_Bow[] = "par::Bow";
constexpr char cmd_Bow1[] = "par::BOW1";
constexpr char cmd_Bow2[] = "par::BOW2";
constexpr char cmd_Bow3[] = "par::BOW3";
constexpr char cmd_Bow4[] = "par::BOW4";
constexpr char cmd_StartAcceleration[] = "par::StartAcceleration";
constexpr char cmd_BreakVelocity[] = "par::BreakVelocity";
constexpr char cmd_FinalDeceleration[] = "par::FinalDeceleration";
constexpr char cmd_StopDeceleration[] = "par::StopDeceleration";
constexpr char cmd_SShapedRamp[] = "par::SShapedRamp";
constexpr char cmd_PulseDivisor[] = "par::PulseDivisor";
constexpr char cmd_RampDivisor[] = "par::RampDivisor";
constexpr char cmd_ChipStandby[] = "par::ChipStandby";
constexpr char cmd_ExternalStepDir[] = "par::ExternalStepDir";
constexpr char cmd_ClearOnNull[] = "par::ClearOnNull";
} // namespace ParameterType
