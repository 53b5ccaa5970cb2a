#include "server/guiding_server_gui.h"

#include <QHostInfo>
#include <QLabel>
#include <QStatusBar>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QWidget>
#include <map>
#include <memory>

#include "core/camera_models.h"
#include "core/command_ids.h"
#include "core/commands.h"
#include "core/main_window.h"
#include "core/state.h"
#include "devices/usb_transport.h"
#include "guiding/guider_state.h"
#include "guiding/guiding_file.h"
#include "platform/platform.h"
#include "server/server_guider.h"

namespace {

// The sockets, served by the program's event loop (and by every loop's
// pumping of it).
class QtServerTransport : public ServerTransport {
public:
    QtServerTransport() = default;
    bool Listen(int port) { return tcp_.listen(QHostAddress::LocalHost, quint16(port)); }
    QString Error() const { return tcp_.errorString(); }
    void SetServer(GuideServer* server) {
        server_ = server;
        QObject::connect(&tcp_, &QTcpServer::newConnection, &tcp_, [this] { Accept(); });
    }
    bool Write(int client, const std::string& bytes) override {
        auto it = sockets_.find(client);
        if (it == sockets_.end() || it->second->state() != QAbstractSocket::ConnectedState) return false;
        return it->second->write(bytes.data(), qint64(bytes.size())) == qint64(bytes.size());
    }
    void Close(int client) override {
        auto it = sockets_.find(client);
        if (it == sockets_.end()) return;
        QTcpSocket* s = it->second;
        sockets_.erase(it);
        s->disconnect();
        s->abort();
        s->deleteLater();
    }
    void CloseAll() {
        while (!sockets_.empty()) {
            const int id = sockets_.begin()->first;
            Close(id);
            if (server_) server_->Disconnected(id);
        }
        tcp_.close();
    }

private:
    void Accept() {
        while (QTcpSocket* s = tcp_.nextPendingConnection()) {
            const int id = nextId_++;
            sockets_[id] = s;
            QObject::connect(s, &QTcpSocket::readyRead, s, [this, id, s] {
                const QByteArray data = s->readAll();
                if (server_) server_->Received(id, data.constData(), size_t(data.size()));
            });
            QObject::connect(s, &QTcpSocket::disconnected, s, [this, id] {
                Close(id);
                if (server_) server_->Disconnected(id);
            });
            if (server_) server_->Connected(id);
        }
    }

    QTcpServer tcp_;
    GuideServer* server_ = nullptr;
    std::map<int, QTcpSocket*> sockets_;
    int nextId_ = 1;
};

struct Running {
    QtServerTransport transport;
    std::unique_ptr<GuideServer> server;
    std::unique_ptr<ServerGuider> guider;
    QTimer timer;
    bool closing = false;  // switched off while a step ran: torn down at the next tick
};

struct ServerRecord {
    std::unique_ptr<Running> running;
    std::function<bool()> otherLoop;
    QLabel* label = nullptr;
};
ServerRecord& Record() {
    static ServerRecord r;
    return r;
}

void ShowStatus() {
    ServerRecord& r = Record();
    QWidget* window = MainWindowWidget();
    if (!window) return;
    if (!r.label) {
        QStatusBar* bar = window->findChild<QStatusBar*>("statusBar");
        if (!bar) return;
        r.label = new QLabel(bar);
        r.label->setObjectName("guidingServerStatus");
        bar->addPermanentWidget(r.label);
    }
    if (!r.running) {
        r.label->clear();
        r.label->hide();
        return;
    }
    const size_t n = r.running->server->ClientCount();
    r.label->setText(QString("Guiding server: %1, %2 client%3")
                         .arg(QString::fromStdString(r.running->guider->AppState()))
                         .arg(n)
                         .arg(n == 1 ? "" : "s"));
    r.label->show();
}

void TearDown() {
    ServerRecord& r = Record();
    if (!r.running) return;
    r.running->timer.stop();
    r.running->guider->StopAll();
    r.running->transport.CloseAll();
    r.running->guider.reset();
    r.running->server.reset();
    r.running.reset();
    ShowStatus();
}

void Tick() {
    ServerRecord& r = Record();
    if (!r.running || r.running->guider->Stepping()) return;
    if (r.otherLoop && r.otherLoop()) return;
    if (r.running->closing) {
        TearDown();
        return;
    }
    r.running->guider->Step();
    if (r.running && r.running->guider->ShutdownRequested()) {
        TearDown();
        if (QWidget* window = MainWindowWidget()) window->close();
        return;
    }
    ShowStatus();
}

bool Start() {
    ServerRecord& r = Record();
    if (r.running) return true;
    auto run = std::make_unique<Running>();
    const int instance = std::max(1, Guider().serverInstance);
    const int port = 4400 + instance - 1;
    if (!run->transport.Listen(port)) {
        Sys().messages->Show("Guiding Server",
                             "The guiding server cannot listen on port " + std::to_string(port) + ": " +
                                 run->transport.Error().toStdString(),
                             MessageIcon::Stop);
        return false;
    }
    std::string profile = "Simulator";
    if (!SimulationRequested()) {
        const CameraModel* model = FindCameraModel(State().geometry.modelCode);
        profile = model ? model->name : "Camera";
    }
    run->server = std::make_unique<GuideServer>(run->transport, instance, QHostInfo::localHostName().toStdString());
    run->guider = std::make_unique<ServerGuider>(*run->server, profile);
    run->transport.SetServer(run->server.get());
    run->timer.setInterval(20);
    QObject::connect(&run->timer, &QTimer::timeout, [] { Tick(); });
    run->timer.start();
    r.running = std::move(run);
    ShowStatus();
    return true;
}

void ToggleServer() {
    ServerRecord& r = Record();
    GuiderState& g = Guider();
    if (r.running && !r.running->closing) {
        g.serverOn = false;
        if (r.running->guider->Stepping()) {
            r.running->guider->RequestStop();  // the step in progress ends at its next frame
            r.running->closing = true;
        } else {
            TearDown();
        }
    } else if (!r.running) {
        g.serverOn = Start();
    }
    SaveGuidingFile();
}

const bool registered = [] {
    RegisterCommand(cmd::kGuidingServer, ToggleServer, {},
                    [] { return Record().running && !Record().running->closing; });
    return true;
}();

}  // namespace

void SetGuidingServerLoopCheck(std::function<bool()> otherLoopRunning) {
    Record().otherLoop = std::move(otherLoopRunning);
}

void StartGuidingServerIfOn() {
    if (Guider().serverOn && !Start()) Guider().serverOn = false;
}

bool GuidingServerListening() { return Record().running && !Record().running->closing; }

int GuidingServerClients() { return Record().running ? int(Record().running->server->ClientCount()) : 0; }
