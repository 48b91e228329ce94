// The summary upload against the panel stand-in over HTTPS.
#include "PanelSettings.h"
#include "FormHarness.h"
#include "summary/FormClient.h"
#include "tools/panel/PanelServer.h"

#include <gtest/gtest.h>

using namespace velorix;
using velorix::panel::Answer;
using velorix::panel::PanelServer;

namespace {

class SummaryUpload : public ::testing::Test {
protected:
    void SetUp() override {
        panel.start();
        velorix::testing::writePanelSettings(h, panel);
        h.make();
        h.form->clearLog();
        h.form->Memo1.Text = "{\r\n  \"a\": \"x y\"\r\n}";
    }

    QStringList log() const { return h.form->Memo_log.lines(); }

    velorix::testing::FormHarness h;
    PanelServer panel;
};

TEST_F(SummaryUpload, PostsTheFormWithTheExactHeaders) {
    ASSERT_TRUE(h.form->insere_dados());
    auto reqs = panel.requests();
    ASSERT_EQ(reqs.size(), 1u);
    const auto& r = reqs[0];
    EXPECT_EQ(r.method, "POST");
    EXPECT_EQ(r.path, "/app.php");
    EXPECT_EQ(r.body, "email=loja%40exemplo.com.br&json=%7B%0D%0A++%22a%22%3A+%22x+y%22%0D%0A%7D");
    EXPECT_EQ(r.header("Content-Type"), "application/x-www-form-urlencoded");
    EXPECT_EQ(r.header("Accept"), "text/html, image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*");
    EXPECT_EQ(r.header("User-Agent"), "Mozilla/4.0");
    EXPECT_EQ(r.headerCount("Expect"), 0u);
    EXPECT_TRUE(log().isEmpty());
}

TEST_F(SummaryUpload, OnlyATrimmedOneIsAccepted) {
    const struct {
        std::string body;
        bool accepted;
    } cases[] = {{"1", true}, {"1\r\n", true}, {"  1  ", true}, {"\t1\n", true},
                 {"OK", false}, {"01", false}, {"", false}, {"true", false}, {"1 1", false}};
    for (const auto& c : cases) {
        Answer a;
        a.body = c.body;
        panel.setAnswer("/app.php", a);
        EXPECT_EQ(h.form->insere_dados(), c.accepted) << "answer '" << c.body << "'";
    }
    // A refusal is not an error: no log lines of its own.
    EXPECT_TRUE(log().isEmpty());
}

TEST_F(SummaryUpload, FailuresGiveTwoLogLinesAndFalse) {
    h.fakes.clock->set(QDateTime(QDate(2025, 1, 31), QTime(8, 5, 9)));
    const std::string base = panel.url("");
    struct Case {
        const char* name;
        std::function<void()> arrange;
        QString messagePart;
    } cases[] = {
        {"500", [&] { Answer a; a.status = 500; a.body = "1"; panel.setAnswer("/app.php", a); }, "500"},
        {"redirect", [&] { panel.setAnswer("/app.php", Answer::redirect(302, base + "/other.php")); }, "302"},
        {"refused port", [&] { h.form->edt_api.Text = "https://127.0.0.1:1/app.php"; }, ""},
        {"empty address", [&] { h.form->edt_api.Text = ""; }, ""},
        {"untrusted certificate", [&] { h.form->IdHTTP1().setCaFile(QString()); }, ""},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.name);
        panel.clearAnswers();
        h.form->edt_api.Text = QString::fromStdString(panel.url("/app.php"));
        h.form->IdHTTP1().setCaFile(h.path("panel-ca.pem"));
        h.form->clearLog();
        c.arrange();
        EXPECT_FALSE(h.form->insere_dados());
        const QStringList lines = log();
        ASSERT_EQ(lines.size(), 2);
        EXPECT_EQ(lines[0], "Falha ao atualizar JSON - 31/01/2025 08:05:09");
        EXPECT_FALSE(lines[1].isEmpty());
        EXPECT_TRUE(lines[1].contains(c.messagePart)) << lines[1].toStdString();
    }
}

TEST_F(SummaryUpload, CookiesSetByThePanelComeBack) {
    Answer a;
    a.body = "1";
    a.headers = {{"Set-Cookie", "PHPSESSID=abc123; Path=/"}};
    panel.setAnswer("/app.php", a);
    ASSERT_TRUE(h.form->insere_dados());
    panel.clearAnswers();
    ASSERT_TRUE(h.form->insere_dados());
    auto reqs = panel.requests();
    ASSERT_EQ(reqs.size(), 2u);
    EXPECT_EQ(reqs[0].headerCount("Cookie"), 0u);
    EXPECT_EQ(reqs[1].header("Cookie"), "PHPSESSID=abc123");
}

TEST_F(SummaryUpload, SilentPanelEndsWithTheTimeout) {
    Answer a;
    a.neverAnswer = true;
    panel.setAnswer("/app.php", a);
    h.form->IdHTTP1().setTimeouts(2000, 1000);
    EXPECT_FALSE(h.form->insere_dados());
    EXPECT_EQ(log().size(), 2);
}

TEST(AnswerDecoding, FollowsTheDeclaredCharset) {
    EXPECT_EQ(DecodeBody("\xE7", "text/html; charset=ISO-8859-1"), QStringLiteral("ç"));
    EXPECT_EQ(DecodeBody("\xC3\xA7", "text/html"), QStringLiteral("ç"));
    EXPECT_EQ(DecodeBody("1", "text/plain; charset=\"utf-8\""), "1");
}

}  // namespace
