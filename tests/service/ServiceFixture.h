#pragma once

#include <QFile>
#include <QString>

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "service/httpUtil.h"
#include "support/ScriptedServer.h"
#include "support/TestEnv.h"

// A data folder whose settings point the web-service client at a scripted
// server of the test's own.
class ServiceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        testenv::prepareDataFolder();
        QFile::remove(QStringLiteral("Lorvane.ini"));
        server = std::make_unique<ScriptedServer>();
        writeAddress("127.0.0.1", std::to_string(server->port()), "svc");
        client = Singleton<httpUtil>::instance();
        client->loadAddress();
        client->setToken(std::string());
    }
    void TearDown() override
    {
        client->setToken(std::string());
        server.reset();
    }

    static void writeAddress(const std::string& host, const std::string& port, const std::string& project)
    {
        QFile file(QStringLiteral("Lorvane.ini"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        const std::string text = "[General]\nhost=" + host + "\nport=" + port + "\nproject=" + project + "\n";
        file.write(text.data(), static_cast<qint64>(text.size()));
    }

    std::unique_ptr<ScriptedServer> server;
    httpUtil* client = nullptr;
};
