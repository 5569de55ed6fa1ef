#pragma once

#include "simulator_global.h"

#include <array>

// The ramp that a simulated motor moves with, in steps and seconds: what a chip family's ramp
// parameters mean once their units are resolved. A plain trapezoid needs only the first three
// values; the others default to "not used".
//
// Velocity bands: below v1 the motor accelerates with a1 and decelerates with d1, between v1 and
// v2 with a2 and d2, above with acceleration and deceleration; a band velocity of 0 skips that
// band. With sShaped the bands are unused and the acceleration changes with the four bows instead.
struct RampProfile
{
    double maxVelocity = 0;  // steps per second
    double acceleration = 0; // steps per second squared
    double deceleration = 0; // 0: as the acceleration
    double startVelocity = 0;
    double stopVelocity = 0; // a braking motor stops dead from here
    double v1 = 0;
    double a1 = 0;
    double d1 = 0;
    double v2 = 0;
    double a2 = 0;
    double d2 = 0;
    bool sShaped = false;
    double bow1 = 0;             // steps per second cubed: the acceleration rises
    double bow2 = 0;             // the acceleration falls on reaching the top velocity
    double bow3 = 0;             // the deceleration rises
    double bow4 = 0;             // the deceleration falls on reaching the stop velocity
    double stopDeceleration = 0; // a stop command's linear ramp; 0: brake as at a move's end
    double leastTopTime = 0;     // seconds that a move holds its top velocity at least
    double zeroWait = 0;         // seconds at standstill before the next move may start
};

// A planned motion along one direction, from the current velocity and acceleration to rest:
// pieces of constant jerk, laid out once so that stepping only evaluates a polynomial.
// Velocities and accelerations are along the direction of travel; the velocity may jump at the
// start (to the start velocity) and drops from its final value to zero at the end.
class SIMULATOR_EXPORT RampPlan final
{
public:
    // Where the plan has the motor, along its direction.
    struct State
    {
        double distance = 0;
        double velocity = 0;
        double acceleration = 0;
    };
    struct Piece
    {
        double begin = 0; // seconds from the start of the plan
        double start = 0; // distance covered when the piece begins
        double duration = 0;
        double velocity = 0;
        double acceleration = 0;
        double jerk = 0;

        // The state at t seconds into the piece.
        State at(double t) const
        {
            return {start + t * (velocity + t * (acceleration / 2 + t * jerk / 6)),
                    velocity + t * (acceleration + t * jerk / 2), acceleration + t * jerk};
        }
    };

    // A move of distance (> 0) ending at rest on it. When the ramp cannot stop in time the plan
    // only brakes to rest, past the end, and landsOnTarget() is false.
    static RampPlan toTarget(const RampProfile &ramp, double velocity, double acceleration,
                             double distance, bool fromRest);
    // Braking to rest: with the stop deceleration (if any) for a stop command, else as at the
    // end of a move.
    static RampPlan toRest(const RampProfile &ramp, double velocity, double acceleration,
                           bool stopCommand);

    // The state at a time from the start of the plan; before it the start, after it the end
    // (before the final drop to rest).
    State at(double time) const;

    bool landsOnTarget() const { return m_landsOnTarget; }
    double distance() const { return m_distance; }
    double duration() const { return m_duration; }
    int pieceCount() const { return m_count; }
    const Piece &piece(int i) const { return m_pieces[size_t(i)]; }

private:
    friend class RampShaper;
    void append(double duration, double velocity, double acceleration, double jerk);

    // At most: the end of a deceleration, three pieces up, the cruise, three pieces down.
    std::array<Piece, 8> m_pieces{};
    int m_count = 0;
    double m_distance = 0;
    double m_duration = 0;
    bool m_landsOnTarget = false;
};
