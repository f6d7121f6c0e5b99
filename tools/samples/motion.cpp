#include "tools/samples/motion.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <stdexcept>

namespace velmora {
inline namespace samples {

namespace {

// Cycles simulated before the recorded one, so the swing forgets how it started.
constexpr int kSettlingCycles = 4;
constexpr int kSubsteps = 8;

struct SwingState {
    int bone = 0;
    int parent = 0;
    Vector3 restArm;
    double length = 0.0;
    Vector3 tip;
    Vector3 velocity;
    Vector3 previousTarget;
};

// The world-space rotation that takes the clip's target direction to the
// swung direction, limited to maxAngle.
Quaternion deflection(const Vector3& target, const Vector3& swung, double maxAngle) {
    Vector3 turn = rotationVector(rotationBetween(target, swung));
    const double angle = length(turn);
    if (angle > maxAngle) {
        turn = (maxAngle / angle) * turn;
    }
    return fromRotationVector(turn);
}

// Advances every swing by dt seconds against the clip's pose, and writes the
// swung rotations into pose. States are in rig order, parents first.
void stepSwings(const Rig& rig, const Clip& clip, std::vector<SwingState>& states, RigPose& pose,
                double dt, bool first) {
    for (std::size_t k = 0; k < states.size(); ++k) {
        SwingState& state = states[k];
        const Jiggle& jiggle = clip.jiggles[k];
        const WorldPose world = solveWorld(rig, pose);
        const Quaternion unswung = world.rotation[state.parent] * pose.rotation[state.bone];
        const Vector3 joint = world.position[state.bone];
        const Vector3 target = joint + rotate(unswung, state.restArm);
        if (first) {
            state.tip = target;
            state.velocity = {0, 0, 0};
            state.previousTarget = target;
        }
        const double omega = 2 * kPi * jiggle.frequency;
        const Vector3 targetVelocity = (1.0 / dt) * (target - state.previousTarget);
        const Vector3 acceleration =
            (omega * omega) * (target - state.tip) +
            (2 * jiggle.damping * omega) * (targetVelocity - state.velocity);
        state.velocity = state.velocity + dt * acceleration;
        state.tip = state.tip + dt * state.velocity;
        // Keep the tip at its distance from the joint: the bone turns, it does
        // not stretch.
        const Vector3 arm = Geometry::normalize(state.tip - joint);
        state.tip = joint + state.length * arm;
        state.velocity = state.velocity - dot(state.velocity, arm) * arm;
        state.previousTarget = target;
        const Quaternion swung =
            deflection(target - joint, state.tip - joint, jiggle.maxAngle) * unswung;
        pose.rotation[state.bone] = inverse(world.rotation[state.parent]) * swung;
    }
}

Keyframe keyOf(const RigPose& pose, int bone) {
    Keyframe key;
    key.rotation = Geometry::normalize(pose.rotation[bone]);
    key.translation = pose.translation[bone];
    return key;
}

}  // namespace

Animation makeAnimation(const Rig& rig, const Clip& clip) {
    const int frames = clip.frames;
    std::vector<RigPose> poses;
    for (int f = 0; f < frames; ++f) {
        poses.push_back(clip.pose(static_cast<double>(f) / frames));
    }
    if (!clip.jiggles.empty()) {
        std::vector<SwingState> states;
        for (const Jiggle& jiggle : clip.jiggles) {
            SwingState state;
            state.bone = rig.index(jiggle.bone);
            state.parent = rig.bone(state.bone).parent;
            state.restArm = jiggle.tip - rig.bone(state.bone).joint;
            state.length = length(state.restArm);
            states.push_back(state);
        }
        // Swing offsets of the recorded cycle, per frame and jiggle, as
        // rotation vectors in the parent's frame (frame N included).
        std::vector<std::vector<Vector3>> offsets(frames + 1, std::vector<Vector3>(states.size()));
        const double dt = 1.0 / (kFramesPerSecond * kSubsteps);
        bool first = true;
        for (int cycle = 0; cycle <= kSettlingCycles; ++cycle) {
            for (int f = 0; f < frames; ++f) {
                for (int sub = 0; sub < kSubsteps; ++sub) {
                    const double phase = (f + static_cast<double>(sub) / kSubsteps) / frames;
                    RigPose pose = clip.pose(phase);
                    stepSwings(rig, clip, states, pose, dt, first);
                    first = false;
                    const bool recorded = cycle == kSettlingCycles && sub == 0;
                    for (std::size_t k = 0; k < states.size() && recorded; ++k) {
                        const int bone = states[k].bone;
                        offsets[f][k] =
                            rotationVector(pose.rotation[bone] * inverse(poses[f].rotation[bone]));
                    }
                }
            }
        }
        // One more step onto frame N = frame 0 of the next cycle.
        RigPose pose = clip.pose(0.0);
        stepSwings(rig, clip, states, pose, dt, false);
        for (std::size_t k = 0; k < states.size(); ++k) {
            const int bone = states[k].bone;
            offsets[frames][k] =
                rotationVector(pose.rotation[bone] * inverse(poses[0].rotation[bone]));
        }
        // The settled swing almost repeats; spread what is left over the cycle
        // so that it repeats exactly.
        for (std::size_t k = 0; k < states.size(); ++k) {
            const Vector3 drift = offsets[frames][k] - offsets[0][k];
            for (int f = 0; f < frames; ++f) {
                const Vector3 offset = offsets[f][k] - (static_cast<double>(f) / frames) * drift;
                const int bone = states[k].bone;
                poses[f].rotation[bone] = fromRotationVector(offset) * poses[f].rotation[bone];
            }
        }
    }
    Animation animation;
    animation.frameCount = static_cast<uint32_t>(frames + 1);
    for (int bone = 0; bone < rig.size(); ++bone) {
        auto track = std::make_unique<BoneTrack>();
        for (int f = 0; f < frames; ++f) {
            track->keys.push_back(keyOf(poses[f], bone));
        }
        track->keys.push_back(track->keys.front());
        animation.tracks[bone] = std::move(track);
    }
    return animation;
}

void placeFoot(const Rig& rig, RigPose& pose, const std::string& side,
               const FootPlacement& placement) {
    const int thigh = rig.index("thigh" + side);
    const int shin = rig.index("shin" + side);
    const int foot = rig.index("foot" + side);
    const int toe = rig.index("toe" + side);
    const Vector3 hipRest = rig.bone(thigh).joint;
    const Vector3 kneeRest = rig.bone(shin).joint;
    const Vector3 ankleRest = rig.bone(foot).joint;
    const Vector3 ballRest = rig.bone(toe).joint;
    const double outwardSign = ballRest.x >= 0 ? 1.0 : -1.0;

    // The foot turns about the ball only to raise the heel: turning the other
    // way would push the heel through the floor.
    const Quaternion footTurn = axisAngle(kRight, -std::max(0.0, placement.heelLift));
    const Vector3 ball =
        ballRest + Vector3(outwardSign * placement.outward, placement.lift, -placement.forward);
    const Vector3 ankle = ball + rotate(footTurn, ankleRest - ballRest);

    const WorldPose world = solveWorld(rig, pose);
    const int hips = rig.bone(thigh).parent;
    const Vector3 hip = world.position[thigh];
    const double upper = length(kneeRest - hipRest);
    const double lower = length(ankleRest - kneeRest);
    const Vector3 reach = ankle - hip;
    const double distance = length(reach);
    if (distance > (upper + lower) - 1e-6) {
        throw std::logic_error("the " + side + " foot is out of the leg's reach by " +
                               std::to_string(distance - upper - lower));
    }
    const Vector3 along = (1.0 / distance) * reach;
    const Vector3 facing = rotate(world.rotation[hips], kForward) + rotate(footTurn, kForward);
    const Vector3 bend = Geometry::normalize(facing - dot(facing, along) * along);
    const double cosine =
        (upper * upper + distance * distance - lower * lower) / (2 * upper * distance);
    const double angle = std::acos(clamp(cosine, -1.0, 1.0));
    const Vector3 knee = hip + upper * (std::cos(angle) * along + std::sin(angle) * bend);

    const Quaternion thighWorld = aimRotation(kneeRest - hipRest, knee - hip, facing);
    const Quaternion shinWorld = aimRotation(ankleRest - kneeRest, ankle - knee, facing);
    const Quaternion toeWorld = axisAngle(kRight, -placement.toeBend);
    pose.rotation[thigh] = inverse(world.rotation[hips]) * thighWorld;
    pose.rotation[shin] = inverse(thighWorld) * shinWorld;
    pose.rotation[foot] = inverse(shinWorld) * footTurn;
    pose.rotation[toe] = inverse(footTurn) * toeWorld;
}

}  // namespace samples
}  // namespace velmora
