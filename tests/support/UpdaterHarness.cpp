#include "support/UpdaterHarness.h"

#include <cstring>

namespace updater::test {
namespace {

// The update window as built, but talking to the test's server.
class UpdateWindowUnderTest : public TfDozevedAzovu {
public:
    UpdateWindowUnderTest(toolkit::TApplication& app, const toolkit::String& server) : TfDozevedAzovu(app) {
        OraSession1.Server = server;
    }
};

}  // namespace

UpdaterHarness::UpdaterHarness() { os.windowing.executablePath = kProgramFolder + u"DozevedAzovu.exe"; }

void UpdaterHarness::StartServer(const std::vector<std::string>& options) { server_ = db.Serve(options); }

toolkit::String UpdaterHarness::ServerAddress() const {
    // With no server running, a port nothing listens on.
    const std::uint16_t port = server_ ? server_->Port() : 9;
    return u"127.0.0.1:" + toolkit::IntToStr(port) + u":dovizuza";
}

int UpdaterHarness::Run() {
    const toolkit::String server = ServerAddress();
    return toolkit::RunProgram(os.Services(), [&](toolkit::TApplication& Application) {
        Application.Initialize();
        Application.MainFormOnTaskbar = true;
        Application.CreateForm<UpdateWindowUnderTest>(server);
        Application.Run();
    });
}

std::unique_ptr<TfDozevedAzovu> UpdaterHarness::MakeWindow(toolkit::TApplication& app) {
    return std::make_unique<UpdateWindowUnderTest>(app, ServerAddress());
}

std::string UpdaterHarness::File(const toolkit::String& name) const {
    return os.files.Read(kProgramFolder + name).value_or("<absent>");
}

toolkit::String UpdaterHarness::Setting(const toolkit::String& name) const {
    const auto value = os.registry.Get(kSettingsKey, name);
    if (!value) return u"<absent>";
    toolkit::String text(value->data.size() / 2, u'\0');
    std::memcpy(text.data(), value->data.data(), text.size() * 2);
    if (!text.empty() && text.back() == u'\0') text.pop_back();
    return text;
}

std::vector<toolkit::String> UpdaterHarness::DialogTexts() const {
    std::vector<toolkit::String> texts;
    for (const auto& d : os.dialogs.shown) texts.push_back(d.text);
    return texts;
}

}  // namespace updater::test
