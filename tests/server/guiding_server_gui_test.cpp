// The program's "Guiding Server" item: checked while it listens, remembered
// in the guider record, and a client gets the connect burst (offscreen).
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTcpSocket>
#include <memory>

#include "core/command_ids.h"
#include "core/commands.h"
#include "devices/sim/simulator.h"
#include "guiding/guider_state.h"
#include "server/guiding_server_gui.h"
#include "support/test_env.h"

namespace {

class GuidingServerGuiTest : public VelmoraTest {};

TEST_F(GuidingServerGuiTest, MenuItemListensAndAClientGetsTheBurst) {
    ResetGuider();
    ScopedSimulator sim;
    Guider().serverInstance = 57;  // port 4456
    ASSERT_FALSE(IsCommandChecked(cmd::kGuidingServer));
    ASSERT_TRUE(RunCommand(cmd::kGuidingServer));
    EXPECT_TRUE(IsCommandChecked(cmd::kGuidingServer));
    EXPECT_TRUE(Guider().serverOn);

    QTcpSocket client;
    client.connectToHost("127.0.0.1", 4456);
    QByteArray received;
    QElapsedTimer t;
    t.start();
    while (received.count('\n') < 2 && t.elapsed() < 5000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        received += client.readAll();
    }
    const QList<QByteArray> lines = received.split('\n');
    ASSERT_GE(lines.size(), 2);
    EXPECT_TRUE(lines[0].startsWith("{\"Event\":\"Version\"")) << lines[0].toStdString();
    EXPECT_TRUE(lines[0].endsWith("\r"));
    EXPECT_TRUE(lines[1].contains("\"State\":\"Stopped\"")) << lines[1].toStdString();
    EXPECT_EQ(GuidingServerClients(), 1);

    ASSERT_TRUE(RunCommand(cmd::kGuidingServer));
    EXPECT_FALSE(IsCommandChecked(cmd::kGuidingServer));
    EXPECT_FALSE(GuidingServerListening());
    EXPECT_FALSE(Guider().serverOn);
}

}  // namespace
