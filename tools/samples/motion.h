#pragma once
// Looping animations designed as poses over a phase, and turned into the
// keyframes of an Animation.
//
// A clip of N frames is sampled at phases 0, 1/N, ..., (N-1)/N and written
// with one more key, equal to the first: the viewer holds the last key for one
// frame period and then starts again from the first, so the pose at the end of
// the loop is exactly the pose at its start.
//
//   key:    0    1    2   ...  N-1    N (= key 0)   -> wraps to key 0
//   phase:  0   1/N  2/N     (N-1)/N  1

#include <functional>
#include <string>
#include <vector>

#include "files/model.h"
#include "tools/samples/rig.h"

namespace velmora {
inline namespace samples {

// A bone that is not posed by the clip but swings after its parent like a
// damped spring: hair, skirts, hat brims, jacket tails.
struct Jiggle {
    std::string bone;
    // Rest-pose point that the bone swings (usually the tip of what it carries).
    Vector3 tip;
    // Natural frequency in hertz and damping ratio of the swing.
    double frequency = 2.0;
    double damping = 0.3;
    // The largest deflection from the clip's pose, in radians.
    double maxAngle = 0.6;
};

struct Clip {
    // Menu label of the animation, e.g. "Walk".
    std::string name;
    // Frames in one loop at 30 frames per second.
    int frames = 30;
    std::function<RigPose(double phase)> pose;
    std::vector<Jiggle> jiggles;
};

// The playback rate of every sample animation.
constexpr int kFramesPerSecond = 30;

// The keyframes of clip: frames + 1 keys per bone, the last equal to the first,
// with the jiggle bones' swing settled into a steady loop.
Animation makeAnimation(const Rig& rig, const Clip& clip);

// Where a foot is, relative to its place in the bind pose, where it stands flat
// on the floor.
struct FootPlacement {
    // The heel rises by turning the foot about the ball joint (radians).
    double heelLift = 0.0;
    // The ball joint's rise above the floor and shift forward (towards -z) and
    // outward (away from the body's middle).
    double lift = 0.0;
    double forward = 0.0;
    double outward = 0.0;
    // How far the toes bend down from level (radians); 0 keeps them level.
    double toeBend = 0.0;
};

// Poses the leg of side ("Right" or "Left") by inverse kinematics so that its
// foot is where placement says, the knee bending forward. The rest of pose
// (the hips in particular) must be set already. Throws std::logic_error when
// the foot is out of the leg's reach, since the foot would then float.
void placeFoot(const Rig& rig, RigPose& pose, const std::string& side,
               const FootPlacement& placement);

}  // namespace samples
}  // namespace velmora
