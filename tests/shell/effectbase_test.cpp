// The base without a host: the record it fills, its flag setters,
// the editor it owns and the speaker-arrangement helpers.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

#include "shell/audioeffectx.h"

namespace {

class BareEffect : public AudioEffectX {
public:
    BareEffect() : AudioEffectX(nullptr, 3, 7) {}
    void processReplacing(float**, float**, VstInt32) override {}
};

class WatchedEditor : public AEffEditor {
public:
    WatchedEditor(AudioEffect* e, bool* deleted) : AEffEditor(e), deleted(deleted) {}
    ~WatchedEditor() override { *deleted = true; }
    bool* deleted;
};

TEST(EffectBase, ConstructionFillsTheRecord) {
    BareEffect effect;
    const AEffect& r = *effect.getAeffect();
    EXPECT_EQ(r.magic, 0x56737450);
    EXPECT_EQ(r.numPrograms, 3);
    EXPECT_EQ(r.numParams, 7);
    EXPECT_EQ(r.numInputs, 1);
    EXPECT_EQ(r.numOutputs, 2);
    EXPECT_EQ(r.flags, effFlagsCanReplacing);
    EXPECT_EQ(r.resvd1, 0);
    EXPECT_EQ(r.resvd2, 0);
    EXPECT_EQ(r.initialDelay, 0);
    EXPECT_EQ(r.realQualities, 0);
    EXPECT_EQ(r.offQualities, 0);
    EXPECT_EQ(r.ioRatio, 1.0f);
    EXPECT_EQ(r.object, static_cast<AudioEffect*>(&effect));
    EXPECT_EQ(r.user, nullptr);
    EXPECT_EQ(r.uniqueID, 0x4E6F4566);
    EXPECT_EQ(r.version, 1);
    for (char c : r.future)
        EXPECT_EQ(c, 0);
    EXPECT_TRUE(r.dispatcher && r.process && r.setParameter && r.getParameter && r.processReplacing &&
                r.processDoubleReplacing);
    EXPECT_EQ(effect.getSampleRate(), 44100.0f);
    EXPECT_EQ(effect.getBlockSize(), 1024);
    EXPECT_EQ(effect.getProgram(), 0);
    EXPECT_EQ(effect.getEditor(), nullptr);
}

TEST(EffectBase, FlagSettersSetAndClearTheirBit) {
    const struct {
        VstInt32 mask;
        std::function<void(AudioEffectX&, bool)> set;
    } cases[] = {
        {effFlagsHasClip, [](AudioEffectX& e, bool s) { e.hasClip(s); }},
        {effFlagsHasVu, [](AudioEffectX& e, bool s) { e.hasVu(s); }},
        {effFlagsCanMono, [](AudioEffectX& e, bool s) { e.canMono(s); }},
        {effFlagsCanReplacing, [](AudioEffectX& e, bool s) { e.canProcessReplacing(s); }},
        {effFlagsProgramChunks, [](AudioEffectX& e, bool s) { e.programsAreChunks(s); }},
        {effFlagsIsSynth, [](AudioEffectX& e, bool s) { e.isSynth(s); }},
        {effFlagsNoSoundInStop, [](AudioEffectX& e, bool s) { e.noTail(s); }},
        {effFlagsExtIsAsync, [](AudioEffectX& e, bool s) { e.wantAsyncOperation(s); }},
        {effFlagsExtHasBuffer, [](AudioEffectX& e, bool s) { e.hasExternalBuffer(s); }},
        {effFlagsCanDoubleReplacing, [](AudioEffectX& e, bool s) { e.canDoubleReplacing(s); }},
    };
    for (const auto& c : cases) {
        BareEffect effect;
        const VstInt32 before = effect.getAeffect()->flags;
        c.set(effect, true);
        EXPECT_EQ(effect.getAeffect()->flags, before | c.mask) << c.mask;
        c.set(effect, false);
        EXPECT_EQ(effect.getAeffect()->flags, before & ~c.mask) << c.mask;
    }
}

TEST(EffectBase, EditorIsAdvertisedAndDeletedWithTheEffect) {
    bool deleted = false;
    {
        BareEffect effect;
        auto* ed = new WatchedEditor(&effect, &deleted);
        effect.setEditor(ed);
        EXPECT_EQ(effect.getEditor(), ed);
        EXPECT_EQ(effect.getAeffect()->flags & effFlagsHasEditor, effFlagsHasEditor);
        effect.setEditor(nullptr);
        EXPECT_EQ(effect.getAeffect()->flags & effFlagsHasEditor, 0);
        effect.setEditor(ed);
    }
    EXPECT_TRUE(deleted);
}

TEST(SpeakerArrangement, GetWritesNullIntoBoth) {
    BareEffect effect;
    VstSpeakerArrangement dummy{};
    VstSpeakerArrangement* in = &dummy;
    VstSpeakerArrangement* out = &dummy;
    EXPECT_FALSE(effect.getSpeakerArrangement(&in, &out));
    EXPECT_EQ(in, nullptr);
    EXPECT_EQ(out, nullptr);
    EXPECT_FALSE(effect.getSpeakerArrangement(nullptr, nullptr));
}

TEST(SpeakerArrangement, AllocateReplacesAndZeroFills) {
    BareEffect effect;
    VstSpeakerArrangement* a = nullptr;
    ASSERT_TRUE(effect.allocateArrangement(&a, 2));
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->numChannels, 2);
    EXPECT_EQ(a->type, 0);
    EXPECT_EQ(a->speakers[1].name[0], 0);
    std::strcpy(a->speakers[1].name, "R");
    ASSERT_TRUE(effect.allocateArrangement(&a, 6));  // frees the old block
    EXPECT_EQ(a->numChannels, 6);
    EXPECT_EQ(a->speakers[5].type, 0);
    EXPECT_FALSE(effect.allocateArrangement(&a, -1));
    EXPECT_EQ(a, nullptr);
    EXPECT_FALSE(effect.allocateArrangement(nullptr, 2));
    ASSERT_TRUE(effect.allocateArrangement(&a, 1));
    EXPECT_TRUE(effect.deallocateArrangement(&a));
    EXPECT_EQ(a, nullptr);
    EXPECT_TRUE(effect.deallocateArrangement(&a));
}

TEST(SpeakerArrangement, CopySpeakerCopiesEveryFieldAndCutsTheName) {
    BareEffect effect;
    VstSpeakerProperties from{};
    from.azimuth = 1.5f;
    from.elevation = -0.5f;
    from.radius = 2.0f;
    from.reserved = 3.0f;
    std::memset(from.name, 'n', sizeof from.name);  // no terminator at all
    from.type = 4;
    std::memset(from.future, 7, sizeof from.future);
    VstSpeakerProperties to{};
    ASSERT_TRUE(effect.copySpeaker(&to, &from));
    EXPECT_EQ(to.azimuth, 1.5f);
    EXPECT_EQ(to.elevation, -0.5f);
    EXPECT_EQ(to.radius, 2.0f);
    EXPECT_EQ(to.reserved, 3.0f);
    EXPECT_EQ(std::string(to.name), std::string(63, 'n'));
    EXPECT_EQ(to.type, 4);
    EXPECT_EQ(std::memcmp(to.future, from.future, sizeof to.future), 0);
    EXPECT_FALSE(effect.copySpeaker(nullptr, &from));
    EXPECT_FALSE(effect.copySpeaker(&to, nullptr));
}

TEST(SpeakerArrangement, MatchCopiesTypeAndSpeakers) {
    BareEffect effect;
    VstSpeakerArrangement from{};
    from.type = 9;
    from.numChannels = 3;
    for (int i = 0; i < 3; ++i) {
        from.speakers[i].type = 100 + i;
        from.speakers[i].name[0] = static_cast<char>('A' + i);
    }
    VstSpeakerArrangement* to = nullptr;
    ASSERT_TRUE(effect.allocateArrangement(&to, 8));
    ASSERT_TRUE(effect.matchArrangement(&to, &from));
    EXPECT_EQ(to->type, 9);
    EXPECT_EQ(to->numChannels, 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(to->speakers[i].type, 100 + i);
        EXPECT_EQ(to->speakers[i].name[0], 'A' + i);
    }
    EXPECT_FALSE(effect.matchArrangement(&to, nullptr));
    EXPECT_FALSE(effect.matchArrangement(nullptr, &from));
    effect.deallocateArrangement(&to);
}

}  // namespace
