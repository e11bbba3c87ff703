// Reading ".blt" bullet files into the template table and finding them.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "game/projectiles/bullet_templates.h"
#include "harness.h"
#include "platform/platform.h"

namespace {

class BulletTemplates : public ::testing::Test {
  protected:
    void SetUp() override {
        platform::test::enable();
        platform::test::clearBoxes();
        dir_ = harness::scratchDataDir(false);
        ASSERT_FALSE(dir_.empty());
        bulletTemplateCount = 0;
    }
    void TearDown() override { bulletTemplateCount = 0; }

    std::string write(const std::string& file, const std::string& text) {
        std::string path = dir_ + "/" + file;
        std::ofstream(path) << text;
        return path;
    }
    void load(const std::string& file, const std::string& text) {
        loadBulletTemplate(write(file, text).c_str());
    }

    std::string dir_;
};

TEST_F(BulletTemplates, ReadsFlagsSpreadAndNumbersInIntegerNotation) {
    load("a.blt", "BulletRocket 2 -1 0x10\n1.5 0.0025\n");
    load("b.blt", "BulletSlug\t0 0 010 25 .001 anything after is ignored");
    ASSERT_EQ(bulletTemplateCount, 2);

    const BulletTemplate& rocket = bulletTemplates[findBulletTemplate("BulletRocket")];
    EXPECT_TRUE(rocket.trail);  // any value but 0
    EXPECT_TRUE(rocket.scores); // -1 too
    EXPECT_EQ(rocket.spread, 16);
    EXPECT_FLOAT_EQ(rocket.damage, 1.5f);
    EXPECT_FLOAT_EQ(rocket.speed, 0.0025f);

    const BulletTemplate& slug = bulletTemplates[findBulletTemplate("BulletSlug")];
    EXPECT_FALSE(slug.trail);
    EXPECT_FALSE(slug.scores);
    EXPECT_EQ(slug.spread, 8); // a leading 0 is octal
    EXPECT_FLOAT_EQ(slug.damage, 25.0f);
    EXPECT_FLOAT_EQ(slug.speed, 0.001f);
    EXPECT_TRUE(platform::test::boxes().empty());
}

TEST_F(BulletTemplates, TheNameInsideTheFileCountsAndTheFirstOfTwoWins) {
    load("x.blt", "Twin 1 1 1 10 0.5");
    load("y.blt", "Twin 0 0 1 20 0.5");
    load("z.blt", "twin 0 0 1 30 0.5");
    ASSERT_EQ(bulletTemplateCount, 3);
    EXPECT_EQ(findBulletTemplate("Twin"), 0);
    EXPECT_EQ(findBulletTemplate("twin"), 2); // case matters
    EXPECT_EQ(findBulletTemplate("x"), -1);
    EXPECT_EQ(findBulletTemplate("Twi"), -1);
    EXPECT_EQ(findBulletTemplate(""), -1);
    EXPECT_EQ(findBulletTemplate(nullptr), -1);
}

TEST_F(BulletTemplates, MissingFileShowsItsBoxAndAddsNothing) {
    loadBulletTemplate((dir_ + "/Bullets/BulletNowhere.blt").c_str());
    EXPECT_EQ(bulletTemplateCount, 0);
    std::vector<std::string> boxes = harness::boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0], "Error: File not found");
}

TEST_F(BulletTemplates, ShortOrMalformedFilesAreRejectedWhole) {
    const char* bad[] = {
        "",                        // empty
        "OnlyAName",               // ends after the name
        "Short 1 1 5 10",          // one number short
        "Words 1 one 5 10 0.5",    // not an integer
        "Letters 1 1 5 ten 0.5",   // not a number
        "NotANumber 1 1 5 10 nan", // would never leave the arena
        "Endless 1 1 5 inf 0.5",
    };
    int n = 0;
    for (const char* text : bad)
        load("bad" + std::to_string(n++) + ".blt", text);
    EXPECT_EQ(bulletTemplateCount, 0);
    for (const char* name : {"OnlyAName", "Short", "Words", "Letters", "NotANumber", "Endless"})
        EXPECT_EQ(findBulletTemplate(name), -1) << name;
    // Each rejected file says so, naming the file; the game goes on.
    std::vector<std::string> boxes = harness::boxes();
    ASSERT_EQ(boxes.size(), std::size(bad));
    EXPECT_NE(boxes[2].find("bad2.blt"), std::string::npos) << boxes[2];

    // A good file after them takes the first place.
    load("good.blt", "Good 0 1 3 5 0.002");
    ASSERT_EQ(bulletTemplateCount, 1);
    EXPECT_STREQ(bulletTemplates[0].name, "Good");
}

TEST_F(BulletTemplates, NamesUpTo255CharactersLoadLongerOnesAreRefused) {
    std::string longest(255, 'n');
    load("ok.blt", longest + " 1 0 1 5 0.002");
    ASSERT_EQ(bulletTemplateCount, 1);
    EXPECT_EQ(std::string(bulletTemplates[0].name), longest);
    EXPECT_EQ(findBulletTemplate(longest.c_str()), 0);

    std::string tooLong(300, 'x');
    load("long.blt", tooLong + " 1 0 1 5 0.002");
    EXPECT_EQ(bulletTemplateCount, 1);
    EXPECT_EQ(findBulletTemplate(tooLong.c_str()), -1);
    // Neither the first 255 characters nor the rest become a template.
    EXPECT_EQ(findBulletTemplate(std::string(255, 'x').c_str()), -1);
    EXPECT_EQ(findBulletTemplate(std::string(45, 'x').c_str()), -1);

    // 256 characters is one too many as well.
    load("256.blt", std::string(256, 'y') + " 1 0 1 5 0.002");
    EXPECT_EQ(bulletTemplateCount, 1);
}

TEST_F(BulletTemplates, AFullTableIgnoresFurtherFiles) {
    for (int i = 0; i < kMaxBulletTemplates + 3; ++i)
        load("t" + std::to_string(i) + ".blt", "T" + std::to_string(i) + " 0 0 1 1 0.001");
    EXPECT_EQ(bulletTemplateCount, kMaxBulletTemplates);
    EXPECT_EQ(findBulletTemplate("T31"), 31);
    EXPECT_EQ(findBulletTemplate("T32"), -1);
    EXPECT_TRUE(platform::test::boxes().empty());
}

} // namespace
