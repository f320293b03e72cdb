// CCamera: the local mirror of one camera and the command exchange with it.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

#include "camera/link_traffic.h"
#include "camera/parameter_table.h"
#include "comm/comm.h"
#include "platform/clock.h"
#include "platform/ini_document.h"
#include "platform/ui_services.h"

namespace xkiv {

// The whole answer to a set that the camera took.
inline constexpr std::string_view kCompleteAnswer = "COMPLETE";

// What the camera object knows of a failure beyond its result code: the
// device or file it concerns, the system's reason, and for a settings file
// refused for its content the row whose key is at fault. FailureDetail
// (camera/failure_detail.h) makes the line a user reads of it.
struct FailureCause {
    ResultCode code = rc::kOk;
    std::string subject;
    std::error_code error;
    int row = -1;
    // Why a file was refused for its content, when no key is at fault.
    std::string reason = {};
};

// Holds a value for every row of the parameter table, knows whether the
// camera is online and which values are synchronized with it, and exchanges
// commands with it over the current transport of the front it derives from.
// Every change is reported through the virtual notification operations; a
// derived class (the control) overrides them to fire its events.
class CCamera : public CComm, public ParameterValues {
public:
    // The code that allows one user-ID set; ULCK carries it before UD.
    static constexpr std::int32_t kUnlockCode = 7381;

    // Loads the persisted values and the port selection from the profile;
    // opens nothing and sends nothing. The profile, the user-interface
    // services and the clock are borrowed and must outlive the camera.
    explicit CCamera(ProfileStore& profile, UiServices& ui = SilentUiServices(),
                     Clock& clock = SystemClock());
    // For tests: the camera over given transports.
    CCamera(ProfileStore& profile, std::unique_ptr<CCommAbstract> comPort,
            std::unique_ptr<CCommAbstract> cameraLink, UiServices& ui = SilentUiServices(),
            Clock& clock = SystemClock());
    // Closes the transport and saves the persisted values and the selection
    // that differ from the profile; a profile that cannot be written is
    // reported through the user-interface services (and stays in the
    // profile's FailureText()).
    ~CCamera() override;

    // Bounds and names of a row under the current values. byList asks for
    // list positions of a row with value names.
    std::int32_t GetMinimum(int row, bool byList) const;
    std::int32_t GetMaximum(int row, bool byList) const;
    int GetValueNameCount(int row) const;
    std::string GetValueName(int row, int position) const;
    std::string GetValueNameOf(int row, std::int32_t value) const;
    std::string GetMnemonic(int row) const;
    std::string GetRangeDescription(int row) const;
    // Whether the camera supports the row (its support condition when
    // PF_MODEL_DEPENDENT, else true).
    bool IsRowSupported(int row) const;

    // The row's display text; first read from the camera when asked and
    // possible (online, readable, supported). A failed read is returned.
    [[nodiscard]] ResultCode GetValueText(int row, std::string& text, bool readFromCamera,
                                          bool notify);
    // Clamps value to the row's bounds, stores it and sends it when the row
    // is writable and supported. Never rejects a value.
    [[nodiscard]] ResultCode SetValue(int row, std::int32_t value, bool notify,
                                      bool goOfflineOnFailure);
    // A text row takes text cut to its maximum length; another row takes the
    // value whose name equals text regardless of case, else its first value.
    // A text that holds a control character is refused with 106 before
    // anything is stored or sent.
    [[nodiscard]] ResultCode SetValueText(int row, const std::string& text,
                                          bool goOfflineOnFailure = true);
    // Takes the value at position in the row's offered list (the first when
    // out of range).
    [[nodiscard]] ResultCode SetValuePosition(int row, int position);
    // Unlocks the user ID and sends it; 106, with nothing sent, for a text
    // that holds a control character.
    [[nodiscard]] ResultCode SetUserID(const std::string& text);

    // Reads model name, firmware and FPGA versions, camera ID and user ID;
    // on failure closes the transport and goes offline. On success every
    // stored value outside the bounds of the model just identified is
    // brought into range here, stored and reported, and never sent: the
    // camera's own value replaces it at the next read.
    [[nodiscard]] ResultCode Identify();
    // Closes what is open, selects and opens the port and identifies the
    // camera, then reads the model name once more; the result of the whole
    // connection attempt.
    [[nodiscard]] ResultCode Connect(int commClass, int port);
    // Connect without its closing read of the model name, for a port search
    // that has just identified the camera. Every step notifies, so the
    // events fire as for Connect.
    [[nodiscard]] ResultCode OpenAndIdentify(int commClass, int port);
    // Reads or writes every camera-data row the camera supports, with
    // progress; failedRow receives the row at which a failure stopped it.
    [[nodiscard]] ResultCode ReadAll(int* failedRow = nullptr);
    [[nodiscard]] ResultCode WriteAll(int* failedRow = nullptr, bool showProgress = true);
    void SaveSnapshot();
    // Puts the snapshot back, marks every row unsynchronized and reports the
    // rows whose value it changed (as values that did not come from a user).
    void RestoreSnapshot();

    // Camera data files. failedRow receives the row reached. A file to be
    // applied is read and checked whole first: one that fails for its own
    // content (109) or cannot be read (108) sends nothing. partlyApplied
    // tells whether the camera took some of the file's values before it
    // refused one, so that it now holds a partial update.
    [[nodiscard]] ResultCode WriteSetupFile(const std::string& path, int* failedRow = nullptr);
    // What WriteSetupFile writes: the family, then every persisted row the
    // camera supports with its current value.
    IniDocument SetupDocument() const;
    [[nodiscard]] ResultCode ReadSetupFile(const std::string& path, int* failedRow = nullptr,
                                           bool* partlyApplied = nullptr);
    [[nodiscard]] ResultCode WriteReport(const std::string& path, int* failedRow = nullptr);
    [[nodiscard]] ResultCode DownloadAberration(const std::string& path, bool showProgress);
    [[nodiscard]] ResultCode UploadAberration(const std::string& path, bool showProgress,
                                              bool* partlyApplied = nullptr);

    // The cause of the last failure of a port opening or a file operation,
    // kept until the next one starts or it is forgotten; its code is rc::kOk
    // when that operation succeeded.
    const FailureCause& LastFailureCause() const { return failureCause_; }
    void ForgetFailureCause() { failureCause_ = {}; }

    // Current local values, as the table's rules read them. Rows outside
    // 0..79 read as 0 and the empty text.
    std::int32_t Value(int row) const override;
    const std::string& Text(int row) const override;

    // Closes the transport and reports the camera offline and unsynchronized.
    void GoOffline();

    bool IsOnline() const { return online_; }
    bool IsSynchronized() const { return synchronized_; }
    bool IsSending() const { return sending_; }
    bool IsReceiving() const { return receiving_; }
    bool IsFileLoading() const { return fileLoading_; }
    bool IsRowSynchronized(int row) const;

    // Sends the row's current local value. An integer outside the row's
    // current bounds is clamped into them (stored and reported) first, so no
    // out-of-range value is ever sent. 0 on "COMPLETE"; 100 offline
    // (nothing sent); the transport's code when the write failed; 101 when
    // no answer came in time; 102/103 when the camera rejected the command;
    // 105 for any other answer; 106 for a row that cannot be sent or a
    // command line that would carry a control character (nothing sent, the
    // row unsynchronized). A link failure (transport code or 101) takes the
    // camera offline when goOfflineOnFailure is set.
    [[nodiscard]] ResultCode WriteParameter(int row, bool goOfflineOnFailure);
    // Asks the camera for the row's value and stores it. Codes as for
    // WriteParameter, and 107 when the value is outside the row's bounds or
    // value list (the old value is kept); a text holding a control
    // character is an invalid answer (105) and is not stored.
    [[nodiscard]] ResultCode ReadParameter(int row, bool goOfflineOnFailure);
    // Collects one answer line within timeoutMs and judges it: 101 on a
    // time-out or transport failure, 102/103 for the camera's rejections,
    // 105 when expectedName is given and the line is not "NAME=...". On
    // success answer holds the text after "NAME=" (or the whole line).
    [[nodiscard]] ResultCode ReceiveAnswer(std::string& answer, const char* expectedName,
                                           std::uint32_t timeoutMs, bool log);

    // Reports every line that crosses the link to observer, as it crosses;
    // an empty observer (the default) turns the reports off.
    void SetLinkObserver(LinkObserver observer) { linkObserver_ = std::move(observer); }

    // The wire text of a set or query of the row, with its CR LF.
    std::string FormatSetCommand(int row) const;
    std::string FormatQueryCommand(int row) const;

    // Notifications, called as the state changes. The base versions keep
    // the state flags; overriders must call them.
    virtual void OnlineChanged(bool online);
    virtual void SynchronizedChanged(bool synchronized);
    virtual void SendingChanged(bool sending);
    virtual void ReceivingChanged(bool receiving);
    virtual void CommPortChanged();
    virtual void ValueChanged(int row, bool refresh);
    virtual void LogMessage(const std::string& text, bool sent);

protected:
    // Local storage without bounds, notifications or camera traffic.
    void StoreValue(int row, std::int32_t value);
    void StoreText(int row, const std::string& text);
    void SetRowSynchronized(int row, bool synchronized);
    void SetFileLoading(bool loading) { fileLoading_ = loading; }
    // Keeps the cause of a failure and returns its code.
    ResultCode Failed(FailureCause cause);
    Clock& GetClock() { return clock_; }
    UiServices& Ui() { return ui_; }

private:
    enum class Bulk { Read, Write };
    [[nodiscard]] ResultCode RunBulk(Bulk direction, int* failedRow, bool showProgress);
    bool InBulkSet(Bulk direction, int row) const;
    void LoadProfileValues();
    void SaveProfileValues();
    [[nodiscard]] ResultCode SendIfWritable(int row, bool notify, bool goOfflineOnFailure);
    [[nodiscard]] ResultCode ReadReportColumn(int column,
                                              std::vector<std::vector<std::string>>& cells,
                                              ProgressIndicator& progress, int& reachedRow);
    // The aberration rows of one set: the value of MAVCG, which every aberration command
    // carries as its index, and the rows CABLR to CABTB.
    static constexpr std::size_t kAberrationSetRows = row::CABTB - row::CABLR + 1;
    struct AberrationSet {
        std::int32_t selection = 0;
        std::array<std::int32_t, kAberrationSetRows> values{};
    };
    static bool IsAberrationSetRow(int row) { return row >= row::CABLR && row <= row::CABTB; }
    // After the report loaded the camera's areas: puts the snapshot (the settings the camera
    // was found with) back into the mirror, and into the camera the settings that differ from
    // what the camera was last read to hold, then every aberration set of foundSets.
    [[nodiscard]] ResultCode PutBackFoundSettings(const std::vector<AberrationSet>& foundSets,
                                                  int& failedRow);
    // Every aberration set the camera offers, when it has them; the selected one is taken from
    // the mirror, the others are asked for.
    [[nodiscard]] ResultCode ReadAberrationSets(std::vector<AberrationSet>& sets, int& failedRow);
    // Asks the camera for the rows of set.selection; the mirror keeps its values.
    [[nodiscard]] ResultCode ReadAberrationSet(AberrationSet& set, int& failedRow);
    // Sends the rows of found that differ from loaded (what the camera holds in that set), in
    // an order the camera's bounds accept; the mirror keeps its values.
    [[nodiscard]] ResultCode WriteAberrationSet(const AberrationSet& found,
                                                const AberrationSet& loaded, int& failedRow);
    // Runs exchange while the mirror stands for set (MAVCG and the rows); puts back the
    // mirror's values and synchronized flags afterwards.
    template <typename Exchange>
    [[nodiscard]] ResultCode StandingForAberrationSet(const AberrationSet& set,
                                                      Exchange&& exchange);

    // 106 for a row that cannot be exchanged, 100 while offline, else 0.
    [[nodiscard]] ResultCode CanExchange(int row) const;
    [[nodiscard]] ResultCode SendLine(const std::string& line);
    [[nodiscard]] ResultCode FinishExchange(int row, ResultCode result, bool goOfflineOnFailure);
    [[nodiscard]] ResultCode StoreReceivedValue(int row, std::string answer);
    // Clamps a loaded or restored integer into the row's current bounds
    // before it is sent; reports the change when there is one.
    void ClampStoredValue(int row);
    // Clamps every integer not synchronized with the camera into its row's
    // current bounds, locally; reports each change as not coming from a user.
    void BringStoredValuesIntoRange();

    // Collects bytes up to and with CR LF: 0, 101 when the time ran out or
    // a read failed (transportResult says which), 105 for an overlong line.
    [[nodiscard]] ResultCode CollectLine(std::string& line, std::uint32_t timeoutMs,
                                         ResultCode& transportResult);
    // The collection itself, which touches nothing but the transport, the
    // clock and line: it may run away from the user-interface thread.
    [[nodiscard]] ResultCode CollectLineFrom(CCommAbstract& transport, std::string& line,
                                             std::uint32_t timeoutMs, ResultCode& transportResult);
    // A progress window for steps items that offers Cancel; null without
    // showProgress.
    std::unique_ptr<ProgressIndicator> CancellableProgress(const std::string& text, int steps,
                                                           bool showProgress = true);

    UiServices& ui_;
    Clock& clock_;
    LinkObserver linkObserver_;
    bool fileLoading_ = false;
    FailureCause failureCause_;
    std::array<bool, kParameterCount> rowSynchronized_{};
    std::array<std::int32_t, kParameterCount> values_{};
    std::array<std::string, kParameterCount> texts_{};
    std::array<std::int32_t, kParameterCount> savedValues_{};
    std::array<std::string, kParameterCount> savedTexts_{};
    bool online_ = false;
    bool synchronized_ = false;
    bool sending_ = false;
    bool receiving_ = false;
};

// Judges one collected answer line (steps after collection): removes CR
// and LF, 102/103 for the camera's rejections, and with expectedName 105
// unless the line is "NAME=..."; on success answer holds the text after
// "NAME=" (or the whole line without expectedName).
ResultCode JudgeAnswer(std::string line, const char* expectedName, std::string& answer);

// Whether text may go on the wire: no control character (bytes 0 to 31
// and 127), which the camera would take as the end of a command.
bool IsSendableText(std::string_view text);

// value clamped into the row's bounds under the given values, as SetValue
// clamps: a row with value names into its offered list's values (a value
// outside them becomes the row's fixed minimum or maximum), every other row
// into its effective minimum and maximum.
std::int32_t ClampToBounds(int row, std::int32_t value, const ParameterValues& values);

// Decimal conversion as the camera's answers need it: optional leading
// spaces and sign, then the leading digits; no digits gives 0. Values beyond
// the 32-bit range saturate instead of wrapping.
std::int32_t ParseDecimal(const std::string& text);

}  // namespace xkiv
