// The settings lock and the string scrambler.
#include "FormHarness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

using namespace velorix;
using velorix::testing::FormHarness;

namespace {

// Every control the code governs: whether it is in its unlocked state.
std::vector<std::pair<const char*, std::function<bool(const TForm1&)>>> governed() {
    return {
        {"cxButton_enviar_empresa", [](const TForm1& f) { return f.cxButton_enviar_empresa.Enabled; }},
        {"edt_api2", [](const TForm1& f) { return f.edt_api2.Visible; }},
        {"Label4", [](const TForm1& f) { return f.Label4.Visible; }},
        {"edt_api", [](const TForm1& f) { return f.edt_api.Visible; }},
        {"lb_api", [](const TForm1& f) { return f.lb_api.Visible; }},
        {"chkSincNFe", [](const TForm1& f) { return f.chkSincNFe.Enabled; }},
        {"chk_notificacao", [](const TForm1& f) { return f.chk_notificacao.Enabled; }},
        {"chkSincVendas", [](const TForm1& f) { return f.chkSincVendas.Enabled; }},
        {"chkIniciarWindows", [](const TForm1& f) { return f.chkIniciarWindows.Enabled; }},
        {"editMinutos", [](const TForm1& f) { return f.editMinutos.Enabled; }},
        {"chkVendasApp", [](const TForm1& f) { return f.chkVendasApp.Enabled; }},
        {"chkPagareReceber", [](const TForm1& f) { return f.chkPagareReceber.Enabled; }},
        {"chkEstoqueUn", [](const TForm1& f) { return f.chkEstoqueUn.Enabled; }},
        {"chkEstoqueGeral", [](const TForm1& f) { return f.chkEstoqueGeral.Enabled; }},
        {"chkQualidade", [](const TForm1& f) { return f.chkQualidade.Enabled; }},
        {"edtEmpresa", [](const TForm1& f) { return f.edtEmpresa.Enabled; }},
        {"chkCatalogo", [](const TForm1& f) { return f.chkCatalogo.Enabled; }},
    };
}

TEST(SettingsLock, OnlyTheExactCodeUnlocksAndContentsAreKept) {
    FormHarness t;
    TForm1& f = t.start();
    f.edt_api.Text = "https://painel/app1.php";
    f.editMinutos.Text = "15";
    f.chkVendasApp.Checked = true;
    const auto controls = governed();
    for (const auto& [name, unlocked] : controls) EXPECT_FALSE(unlocked(f)) << "at start-up: " << name;

    const std::pair<QString, bool> typed[] = {{"7", false},     {"730", false},  {"7304", true},
                                              {"73041", false}, {"7304", true},  {"730", false},
                                              {"7304 ", false}, {"7304", true},  {"", false}};
    for (const auto& [text, open] : typed) {
        f.editSenha.Text = text;
        f.editSenhaChange();
        for (const auto& [name, unlocked] : controls) {
            EXPECT_EQ(unlocked(f), open) << '"' << text.toStdString() << "\" " << name;
        }
        // never governed
        EXPECT_TRUE(f.pnEmail.Enabled);
        EXPECT_TRUE(f.chkPeriodo.Enabled);
        EXPECT_TRUE(f.btn_ligar.Visible);
        EXPECT_FALSE(f.btnDesligar.Visible);
    }
    EXPECT_EQ(f.edt_api.Text, "https://painel/app1.php");
    EXPECT_EQ(f.editMinutos.Text, "15");
    EXPECT_TRUE(f.chkVendasApp.Checked);
}

QString codes(std::initializer_list<char16_t> units) {
    QString s;
    for (char16_t u : units) s += QChar(u);
    return s;
}

TEST(Crypt, KnownScrambledForms) {
    FormHarness t;
    TForm1& f = t.build();
    struct Known {
        QString plain, scrambled;
        bool comesBack;
    };
    const Known known[] = {
        {"A", "8085", true},
        {"AB", "80858A", true},
        {"senha@123", "80B750EF1E25290E1212", true},
        // 16-bit code units: U+20AC goes in as one unit (and cannot come back)
        {QString::fromUtf8("ção€"), "802C5D9D2C", false},
        // past the 48 characters of the key, the walk starts again
        {QString(50, 'x'),
         "80BC78A15C8E4B9742ED24D21DD60AC911C17DAC75AC6FB273A454FF49F45AEB3EE72DE737FB38E215C914C7063DE618D815C0", true},
    };
    for (const Known& k : known) {
        EXPECT_EQ(f.Crypt("C", k.plain), k.scrambled) << k.plain.toStdString();
        if (k.comesBack) {
            EXPECT_EQ(f.Crypt("D", k.scrambled), k.plain);
        }
    }
}

TEST(Crypt, RoundTripOfEveryCodeFrom1To254) {
    FormHarness t;
    TForm1& f = t.build();
    QString all;
    for (char16_t c = 1; c <= 254; ++c) {
        const QString one(QChar{c});
        const QString s = f.Crypt("C", one);
        ASSERT_EQ(f.Crypt("D", s), one) << int(c);
        // each character after every other one, through the chaining and the key walk
        all += QChar{c};
    }
    QString reversed = all;
    std::reverse(reversed.begin(), reversed.end());
    for (const QString& text : {all, reversed, all + all + reversed}) {
        const QString s = f.Crypt("C", text);
        EXPECT_EQ(s.size(), 2 + 2 * text.size());
        EXPECT_TRUE(s.startsWith("80"));
        EXPECT_EQ(f.Crypt("D", s), text);
        // lower-case digits read the same
        EXPECT_EQ(f.Crypt("D", s.toLower()), text);
    }
    // the scrambled form is upper-case hexadecimal, also for units above 255
    const QString wide = f.Crypt("C", codes({0x20AC, 0x4E2D, 0xFFFF, 'a'}));
    EXPECT_EQ(wide.size(), 10);
    for (QChar c : wide) EXPECT_TRUE(QStringLiteral("0123456789ABCDEF").contains(c)) << wide.toStdString();
}

TEST(Crypt, EmptyTextUnknownActionsAndMalformedInput) {
    FormHarness t;
    TForm1& f = t.build();
    for (const char* action : {"C", "D", "X", ""}) EXPECT_EQ(f.Crypt(action, ""), "") << action;
    for (const char* action : {"X", "c", "d", "CD", ""}) EXPECT_EQ(f.Crypt(action, "808A"), "") << action;
    // not hexadecimal, a sign or a blank inside a pair, or nothing after the offset
    for (const char* bad : {"80ZZ", "ZZ85", "80G5", "8085G18A", "80 5", "80-1", "800x", "80", "8"}) {
        EXPECT_THROW(f.Crypt("D", bad), std::exception) << bad;
    }
    // a lone digit after the offset is read alone; an odd one after a pair is past the end
    EXPECT_NO_THROW(f.Crypt("D", "80A"));
    EXPECT_EQ(f.Crypt("D", "8085G"), "A");
}

}  // namespace
