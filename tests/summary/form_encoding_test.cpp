#include "summary/FormEncoding.h"

#include <gtest/gtest.h>

using velorix::FormBody;
using velorix::FormEncode;

TEST(FormEncoding, EncodesLikeTheUrlencodedSerializer) {
    const struct {
        QString in;
        QByteArray out;
    } cases[] = {
        {"", ""},
        {"a b", "a+b"},
        {"*-._", "*-._"},
        {"~", "%7E"},
        {"@&=+", "%40%26%3D%2B"},
        {"a\r\nb", "a%0D%0Ab"},
        {"%", "%25"},
        {QStringLiteral("ação"), "a%C3%A7%C3%A3o"},
        {QStringLiteral("😀"), "%F0%9F%98%80"},
        {"AZaz09", "AZaz09"},
        {"{\"a\": 1}", "%7B%22a%22%3A+1%7D"},
        {"/?#[]!$'(),;", "%2F%3F%23%5B%5D%21%24%27%28%29%2C%3B"},
    };
    for (const auto& c : cases) EXPECT_EQ(FormEncode(c.in), c.out) << c.in.toStdString();
}

TEST(FormEncoding, BodyKeepsFieldOrderAndEmptyValues) {
    EXPECT_EQ(FormBody({{"email", ""}, {"json", ""}}), "email=&json=");
    EXPECT_EQ(FormBody({{"email", "loja@x.com"}, {"json", "a&b=c"}}), "email=loja%40x.com&json=a%26b%3Dc");
}
