#include "platform/version.h"

#include "version_info.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

TEST(ExeVersionString, IsTheProjectVersionAsFourNumbers) {
    const QString version = rl::ExeVersionString();
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d+\\.\\d+\\.\\d+\\.\\d+$")).match(version).hasMatch())
        << version.toStdString();
    EXPECT_EQ(version, QStringLiteral("%1.%2.%3.%4")
                           .arg(RL_VERSION_MAJOR)
                           .arg(RL_VERSION_MINOR)
                           .arg(RL_VERSION_PATCH)
                           .arg(RL_VERSION_TWEAK));
    EXPECT_EQ(version, QStringLiteral("1.0.0.0"));
}
