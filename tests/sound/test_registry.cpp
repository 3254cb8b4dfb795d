// Sound effects by name: identifiers from 10 up, repeated names, overlapping plays heard
// in the mix, removal keeping identifiers apart, and freeing everything.
#include "sound/sound_effect_registry.h"
#include "tests/sound/sound_support.h"

namespace {

using namespace soundtest;

Bytes level(int value, int ms) {
    return bytesOf(std::vector<std::int16_t>(static_cast<std::size_t>(44100 * ms / 1000) * 2,
                                             static_cast<std::int16_t>(value)));
}

int inUse() {
    int n = 0;
    for (SNDSample* s = QVSound::g_SampleList; s < QVSound::g_pEndSample; ++s)
        if (s->m_dwFlags & SNDF_INUSE) ++n;
    return n;
}

class Registry : public SoundLibraryTest {
protected:
    SoundEffectRegistry registry;
    std::string click, bell;

    void SetUp() override {
        SoundLibraryTest::SetUp();
        g_Sound.Exit();
        ASSERT_EQ(registry.init(window, 200), 1);
        ASSERT_NE(registry.effects, nullptr);
        click = file("Click.wav", wav(44100, 16, 2, level(1000, 100)));
        bell = file("Bell.wav", wav(44100, 16, 2, level(-300, 100)));
    }

    void TearDown() override {
        registry.shutdown();
        EXPECT_EQ(registry.effects, nullptr);
        SoundLibraryTest::TearDown();
    }
};

TEST_F(Registry, EffectsGetIdentifiersFromTenAndAreFoundByExactName) {
    SoundEffect* c = registry.addSound(click.c_str(), "click");
    SoundEffect* b = registry.addSound(bell.c_str(), "bell");
    ASSERT_NE(c, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(c->id, 10u);
    EXPECT_EQ(b->id, 11u);
    EXPECT_STREQ(b->name, "bell");
    EXPECT_EQ(registry.findSound("click"), c);
    EXPECT_EQ(registry.findSound("Click"), nullptr);
    EXPECT_EQ(registry.playSound("nothing", 0xFFFF, 0), nullptr);
    EXPECT_EQ(registry.addSound((temp.path() / "missing.wav").string().c_str(), "gone"), nullptr);
    EXPECT_EQ(registry.findSound("gone"), nullptr);
    EXPECT_EQ(registry.effects->getCount(), 2);
    EXPECT_EQ(registry.playSoundAt(2, 0xFFFF, 0), nullptr);
    SNDSample* played = registry.playSoundAt(1, 0xFFFF, 0);
    ASSERT_NE(played, nullptr);
    EXPECT_EQ(played->m_dwID, 11u);
}

TEST_F(Registry, ARepeatedNameAddsAnEntryButTheFirstKeepsPlaying) {
    SoundEffect* first = registry.addSound(click.c_str(), "fx");
    SoundEffect* again = registry.addSound(bell.c_str(), "fx");
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->id, 11u);
    EXPECT_EQ(registry.findSound("fx"), first);
    startCapture();
    SNDSample* s = registry.playSound("fx", 0xFFFF, 0);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->m_dwID, 10u);
    step(2);
    const std::vector<std::int16_t> out = finishCapture();
    ASSERT_FALSE(out.empty());
    EXPECT_EQ(out[0], 1000);  // the click, not the bell
}

TEST_F(Registry, TwoQuickPlaysOverlap) {
    registry.addSound(click.c_str(), "click");
    startCapture();
    SNDSample* a = registry.playSound("click", 0xFFFF, 0);
    step();
    SNDSample* b = registry.playSound("click", 0xFFFF, 0);
    step(3);
    const std::vector<std::int16_t> out = finishCapture();
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_NE(a, b);
    ASSERT_EQ(out.size(), 4u * 441 * 2);
    EXPECT_EQ(out[0], 1000);
    EXPECT_EQ(out[2 * 441], 2000);  // both voices from the second frame on
    EXPECT_EQ(out.back(), 2000);
}

TEST_F(Registry, RemovalKeepsIdentifiersApart) {
    registry.addSound(click.c_str(), "click");
    registry.addSound(bell.c_str(), "bell");
    registry.playSound("click", 0xFFFF, 0);  // still sounding when removed
    registry.removeSound("click");
    EXPECT_EQ(registry.findSound("click"), nullptr);
    EXPECT_EQ(registry.effects->getCount(), 1);
    EXPECT_EQ(inUse(), 1);
    registry.removeSound("click");  // nothing left to remove
    const std::string chime = file("Chime.wav", wav(44100, 16, 2, level(700, 100)));
    SoundEffect* c = registry.addSound(chime.c_str(), "chime");
    ASSERT_NE(c, nullptr);
    EXPECT_NE(c->id, registry.findSound("bell")->id);
    const std::vector<std::int16_t> silent = mix(200);  // the removed click is gone
    for (std::int16_t v : silent) ASSERT_EQ(v, 0);
    startCapture();
    registry.playSound("chime", 0xFFFF, 0);
    step();
    const std::vector<std::int16_t> out = finishCapture();
    ASSERT_FALSE(out.empty());
    EXPECT_EQ(out[0], 700);  // its own sound, not the bell's
}

TEST_F(Registry, FreeAllEmptiesThePoolAndStartsAgainAtTen) {
    registry.addSound(click.c_str(), "click");
    registry.addSound(bell.c_str(), "bell");
    registry.playSound("click", 0xFFFF, 0);
    registry.playSound("click", 0xFFFF, 0);
    ASSERT_EQ(inUse(), 3);
    registry.freeAll();
    EXPECT_EQ(registry.effects->getCount(), 0);
    EXPECT_EQ(inUse(), 0);
    const std::vector<std::int16_t> out = mix(20);
    for (std::int16_t v : out) ASSERT_EQ(v, 0);
    SoundEffect* again = registry.addSound(bell.c_str(), "bell");
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->id, 10u);
}

TEST(RegistryLifetime, ShutdownWithoutInitStillShutsTheLibraryDown) {
    SoundEffectRegistry registry;
    registry.shutdown();
    EXPECT_EQ(registry.effects, nullptr);
    EXPECT_EQ(QVSound::g_lpDSound, nullptr);
    EXPECT_EQ(QVSound::g_SampleList, nullptr);
}

}  // namespace
