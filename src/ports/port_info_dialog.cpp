#include "ports/port_info_dialog.h"

#include "core/platform_detection.h"
#include "resource.h"

namespace prinstall {
namespace {

constexpr int kOkButton = kDialogOk;
constexpr int kExitButton = kDialogCancel;

const InterfaceInfo kInterfaces[] = {
    {InterfaceChoice::Serial, IDC_PORT_SERIAL, IDB_SERIAL, "COM", nullptr, false, kInterfaceSerial},
    {InterfaceChoice::Bluetooth, IDC_PORT_BLUETOOTH, IDB_BLUETOOTH, "COM", nullptr, false, kInterfaceSerial},
    {InterfaceChoice::Parallel, IDC_PORT_PARALLEL, IDB_PARALLEL, "LPT", nullptr, false, kInterfaceParallel},
    {InterfaceChoice::Usb, IDC_PORT_USB, IDB_USB, nullptr, kUsbPortEntry, false, kInterfaceUsb},
    {InterfaceChoice::Ethernet, IDC_PORT_ETHERNET, IDB_ETHERNET, nullptr, kNetworkPortEntry, true, kInterfaceTcpIp},
    {InterfaceChoice::WiFi, IDC_PORT_WIFI, IDB_WIFI, nullptr, kNetworkPortEntry, true, kInterfaceTcpIp},
    {InterfaceChoice::DriverPort, IDC_PORT_DRIVER_PORT, IDB_PRINTER_PORT, "", nullptr, false, 0},
};

// Texts the dialog changes for Korean; English keeps the template's.
struct ItemText {
    int id;
    const char* korean;
};
constexpr const char* kCaptionKorean = "프린터 포트 및 코드 페이지 선택";
constexpr ItemText kKoreanTexts[] = {
    {IDC_PORT_CODE_PAGE_LABEL, "코드 페이지 : "},
    {IDC_PORT_GROUP, "프린터 포트 정보"},
    {kOkButton, "확인"},
    {kExitButton, "설치 취소"},
    {IDC_PORT_LIST_LABEL, "인쇄할 포트 : "},
    {IDC_PORT_PROCESSOR_LABEL, "플랫폼      : "},
};

bool StartsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

const Text kNoPortText = {"No port for this interface: choose another interface.",
                          "이 인터페이스에 사용할 포트가 없습니다. 다른 인터페이스를 선택하십시오."};
const Text kNoAddressText = {
    "No printer IP address confirmed yet: choose Ethernet or Wi-Fi again to enter it.",
    "프린터 IP 주소가 아직 확인되지 않았습니다. Ethernet 또는 Wi-Fi를 다시 선택해 입력하십시오."};

}  // namespace

const std::array<Text, kCodePageCount> kCodePageNames = {{
    {"United States (437)", "영어(437)"},
    {"Multilingual - Latin 1 (850)", "다국어 - Latin 1 (850)"},
    {"Slavic - Latin 2 (852)", "슬로바키아어 - Latin 2 (852)"},
    {"Canadian French  (863)", "캐나다 프랑스어  (863)"},
    {"Arabic  (864)", "아랍어  (864)"},
    {"Russian (866)", "러시아어 (866)"},
    {"Thai    (874)", "태국어    (874)"},
    {"Japanese (932)", "일본어 (932)"},
    {"Simplified Chinese (936)", "중국어(간체-GB) (936)"},
    {"Korean  (949)", "한국어  (949)"},
    {"Traditional Chinese (950)", "중국어(번체-BIG5) (950)"},
    {"Eastern European   (1250)", "중앙 유럽 언어   (1250)"},
    {"Cyrillic  (1251)", "키릴 자모  (1251)"},
    {"US (ANSI) (1252)", "영어 (1252)"},
    {"Greek     (1253)", "그리스어     (1253)"},
    {"Turkish   (1254)", "터키어   (1254)"},
    {"Hebrew    (1255)", "히브리어    (1255)"},
    {"Arabic    (1256)", "아랍어    (1256)"},
    {"Baltic    (1257)", "발트어    (1257)"},
    {"Vietnamese(1258)", "베트남어 (1258)"},
    {"Greek   (737)", "그리스어   (737)"},
    {"IBM Turkish   (857)", "IBM 터키어   (857)"},
    {"Multilingual Latin I + Euro(858)", "다국어 Latin I + Euro(858)"},
}};

const std::array<int, kCodePageCount> kCodePageNumbers = {
    437,  850,  852,  863,  864,  866,  874,  932,  936, 949, 950, 1250,
    1251, 1252, 1253, 1254, 1255, 1256, 1257, 1258, 737, 857, 858,
};

const std::array<const char*, 3> kProcessorNames = {"32-Bit OS", "64-Bit OS", "Itanium"};

const char* OkUnavailableText(OkUnavailable reason, Language language) {
    switch (reason) {
        case OkUnavailable::NoPort: return kNoPortText.In(language);
        case OkUnavailable::NoAddress: return kNoAddressText.In(language);
        case OkUnavailable::No: break;
    }
    return "";
}

const InterfaceInfo* InterfaceForRadio(int radioId) {
    for (const InterfaceInfo& info : kInterfaces) {
        if (info.radioId == radioId) return &info;
    }
    return nullptr;
}

const InterfaceInfo& InterfaceInfoOf(InterfaceChoice choice) { return kInterfaces[static_cast<int>(choice)]; }

std::vector<std::string> PortsForInterface(InterfaceChoice choice, const std::vector<std::string>& systemPorts) {
    const InterfaceInfo& info = InterfaceInfoOf(choice);
    std::vector<std::string> ports;
    if (info.portPrefix != nullptr) {
        for (const std::string& port : systemPorts) {
            if (StartsWith(port, info.portPrefix)) ports.push_back(port);
        }
    }
    if (info.fixedEntry != nullptr) ports.push_back(info.fixedEntry);
    return ports;
}

void PortInfoDialog::OnInitDialog() {
    language_ = LanguageForCodePage(platform_.systemInfo.AnsiCodePage());
    shownReason_ = OkUnavailable::No;

    const Detection detection = DetectPlatform(platform_.systemInfo, Numbering::PortDialog, state_.os);
    if (detection.radioId != 0) view_.CheckRadio(detection.radioId);

    if (language_ == Language::Korean) {
        view_.SetTitle(kCaptionKorean);
        for (const ItemText& t : kKoreanTexts) view_.SetItemText(t.id, t.korean);
    }

    view_.ListReset(IDC_PORT_CODE_PAGE);
    for (const Text& name : kCodePageNames) view_.ListAdd(IDC_PORT_CODE_PAGE, name.In(language_));
    view_.ListSelect(IDC_PORT_CODE_PAGE, state_.codePage);

    ipAddressText_.clear();
    ip_.addressKnown = false;

    view_.ListReset(IDC_PORT_PROCESSOR);
    for (const char* name : kProcessorNames) view_.ListAdd(IDC_PORT_PROCESSOR, name);
    view_.ListSelect(IDC_PORT_PROCESSOR, state_.os.processor);
    view_.EnableItem(IDC_PORT_PROCESSOR, false);

    const InterfaceInfo& usb = InterfaceInfoOf(InterfaceChoice::Usb);
    FillPortList(usb.choice);
    interface_ = usb.choice;
    view_.CheckRadio(usb.radioId);
    state_.useLabelPortMonitor = true;
    view_.ListSelect(IDC_PORT_LIST, 0);
    portName_ = view_.ListEntry(IDC_PORT_LIST, 0);
    platform_.debug.Output(Format("Port Name = %s", portName_.c_str()));

    view_.ShowPicture(usb.bitmapId);
    view_.DressIconButton(kOkButton, IDI_CHECK);
    view_.DressIconButton(kExitButton, IDI_CROSS);
    UpdateOkButton();

    if (state_.os.processor == kProcessorItanium)
        view_.CaptionedMessageBox(kItaniumNotSupported, "");  // the system's own caption
}

void PortInfoDialog::OnInterface(int radioId) {
    const InterfaceInfo* info = InterfaceForRadio(radioId);
    if (info != nullptr) ChooseInterface(*info);
}

void PortInfoDialog::ChooseInterface(const InterfaceInfo& info) {
    interface_ = info.choice;
    view_.CheckRadio(info.radioId);
    FillPortList(info.choice);
    view_.ListSelect(IDC_PORT_LIST, 0);
    view_.ShowPicture(info.bitmapId);
    if (info.asksAddress && view_.RunIpAddressDialog() == kDialogOk) {
        ipAddressText_ = ip_.addressText;
        ip_.addressKnown = true;
    }
    portName_ = view_.ListEntry(IDC_PORT_LIST, 0);
    UpdateOkButton();
}

void PortInfoDialog::FillPortList(InterfaceChoice choice) {
    view_.ListReset(IDC_PORT_LIST);
    std::vector<std::string> systemPorts;
    if (platform_.spooler.ListPorts(systemPorts) != 0) systemPorts.clear();
    for (const std::string& port : PortsForInterface(choice, systemPorts)) view_.ListAdd(IDC_PORT_LIST, port);
}

void PortInfoDialog::OnSelchangeCodePage() {
    const int selected = view_.ListSelection(IDC_PORT_CODE_PAGE);
    if (selected >= 0 && selected < kCodePageCount) state_.codePage = selected;
}

void PortInfoDialog::OnSelchangePort() {
    const int selected = view_.ListSelection(IDC_PORT_LIST);
    portName_ = selected >= 0 ? view_.ListEntry(IDC_PORT_LIST, selected) : std::string();
    UpdateOkButton();
}

OkUnavailable PortInfoDialog::WhyOkUnavailable() const {
    if (portName_.empty()) return OkUnavailable::NoPort;
    // The Install command takes any port name starting with "TCP/IP" for the network
    // printer and builds its port from the address.
    if (StartsWith(portName_, kNetworkPortEntry) && ipAddressText_.empty()) return OkUnavailable::NoAddress;
    return OkUnavailable::No;
}

bool PortInfoDialog::OnOk() {
    UpdateOkButton();
    return CanConfirm();
}

int PortInfoDialog::GetInterfaceKind() const {
    const int kind = InterfaceInfoOf(interface_).installsAs;
    return kind != 0 ? kind : InterfaceKindOf(portName_);
}

void PortInfoDialog::UpdateOkButton() {
    const OkUnavailable reason = WhyOkUnavailable();
    view_.EnableItem(kOkButton, reason == OkUnavailable::No);
    if (reason == shownReason_) return;
    view_.SetItemText(IDC_PORT_OK_REASON, OkUnavailableText(reason, language_));
    shownReason_ = reason;
}

}  // namespace prinstall
