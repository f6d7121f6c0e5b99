#pragma once
// The motions all the sample characters share (idle, walk in place, run in
// place) and the handles their own clips are built with. Every motion keeps
// the feet where the bind pose puts them whenever they bear weight, so the
// figure never slides, and places them by inverse kinematics, so a foot never
// sinks below the floor.

#include <string>

#include "tools/samples/motion.h"
#include "tools/samples/rig.h"

namespace velmora {
inline namespace samples {

// How one character carries itself; 1 is the common measure of each amount.
struct MotionStyle {
    double hipSway = 1.0;
    double armSwing = 1.0;
    double stepHeight = 1.0;
    double bounce = 1.0;
    // Extra forward lean of the trunk in walk and run (radians).
    double lean = 0.0;
    // Idle: how far the arms hang out from the body, and the elbows' bend (radians).
    double idleArmSpread = -0.07;
    double idleElbow = 0.15;
};

// An arm as the directions of its parts in the chest's frame (the figure's
// axes when the chest is upright): the upper arm points along upper; the elbow
// bends by elbow radians towards bendToward; the wrist bends by wristPitch
// towards the palm and wristTurn sideways.
struct ArmAim {
    Vector3 upper{0.2, -1.0, 0.0};
    double elbow = 0.0;
    Vector3 bendToward = kForward;
    double wristPitch = 0.0;
    double wristTurn = 0.0;
    // Clavicle: shrug raises the shoulder, reach brings it forward (radians).
    double shrug = 0.0;
    double reach = 0.0;
};

// +1 for "Right", -1 for "Left": the sign of x on that side.
double sideSign(const std::string& side);

// The direction of the arm of side hanging in the bind pose, turned forward by
// pitch and outward by spread (radians).
Vector3 hangingArm(const Rig& rig, const std::string& side, double pitch, double spread);

void aimArm(const Rig& rig, RigPose& pose, const std::string& side, const ArmAim& aim);

// How far the thigh of side swings forward from hanging straight down, in the
// hips' frame (radians, negative when it swings back).
double thighSwing(const Rig& rig, const RigPose& pose, const std::string& side);

// Moves the hips (the root) from the bind pose by offset and turns them.
void placeHips(const Rig& rig, RigPose& pose, const Vector3& offset, double pitch, double yaw,
               double roll);

// Breath: amount from -1 (breathed out) to 1 (in) lifts and opens the chest
// and raises the shoulders a little.
void breathe(const Rig& rig, RigPose& pose, double amount);

// A smooth bump from 0 at x = 0 up to 1 at x = 0.5 and back to 0 at x = 1, flat
// at both ends.
double bump(double x);

Clip idleClip(const Rig& rig, const MotionStyle& style);
Clip walkClip(const Rig& rig, const MotionStyle& style);
Clip runClip(const Rig& rig, const MotionStyle& style);

}  // namespace samples
}  // namespace velmora
