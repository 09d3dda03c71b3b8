#pragma once
// Overlaps the host's own work with the import. On the import thread every call the plug-in
// makes on the import context, and every value text a converter refuses, is only recorded,
// verbatim (the UTF-16 texts copied as they are), into large blocks; one worker thread takes
// the full blocks and replays the calls in the order they were made on the real context, and
// the refusals on the real refusal sink, each exactly where it happened among the calls. The
// plug-in still makes every call on the thread that called Import.
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <string_view>
#include <thread>
#include <vector>

#include "host/Converters.h"
#include "host/HostCall.h"
#include "plugin/HostInterfaces.h"

namespace Host {

class CCallRelay final : public Plugin::IImportContext, public IRefusedValueSink {
public:
    static constexpr std::size_t DefaultBlockBytes = 256 * 1024;
    static constexpr std::size_t DefaultBlockCount = 8;

    // Replays on target, and the refusals on refusals (may be null); both must outlive the
    // relay. At most blockCount blocks of blockBytes exist at a time (a text too long for a
    // block gets one of its own size): the import waits while the worker is that far behind.
    CCallRelay(Plugin::IImportContext& target, IRefusedValueSink* refusals,
               std::size_t blockBytes = DefaultBlockBytes, std::size_t blockCount = DefaultBlockCount);
    // Replays what is left, as Finish does, but keeps a sink's exception to itself.
    ~CCallRelay() override;
    CCallRelay(const CCallRelay&) = delete;
    CCallRelay& operator=(const CCallRelay&) = delete;

    // Hands over what is left and returns once every call was replayed and the worker has
    // ended. An exception a sink threw on the worker is thrown here (and at every hand-over
    // after it), so that it reaches the caller of the import; replaying stopped at it.
    void Finish();

    // A factory whose converters report refusals to the relay, so that they are replayed in
    // their place; the target's own factory is asked for and released when the call is replayed.
    Plugin::IConverterFactory* GetConverterFactory() override;
    void SetFileName(const char16_t* name) override;
    void SetCurrentLine(std::int32_t line) override;
    void ReportWarning(const char16_t* text) override;
    void ReportMessage(const char16_t* text) override;
    void SetProgress(float percent) override;
    void AddPoint(const char16_t* name) override;
    void SetX(double value) override;
    void SetY(double value) override;
    void SetZ(double value) override;
    void SetPointKind(std::int32_t kind) override;
    void SetPointFlag(std::int32_t flag) override;
    void SetPointCode(const char16_t* code) override;
    void AddStation(const char16_t* name) override;
    void SetInstrumentHeight(double value) override;
    void AddTarget(const char16_t* name) override;
    void SetPressure(double value) override;
    void SetTemperature(double value) override;
    void SetVerticalAngle(double value) override;
    void SetHorizontalAngle(double value) override;
    void SetTargetHeight(double value) override;
    void SetSlopeDistance(double value) override;
    void SetHorizontalDistance(double value) override;
    void SetHeightDifference(double value) override;

    // Positions the plug-in does not call.
    void Unused4() override {}
    void Unused8() override {}
    void Unused15() override {}
    void Unused16() override {}
    void Unused19() override {}
    void Unused20() override {}
    void Unused21() override {}
    void Unused23() override {}
    void Unused24() override {}
    void Unused28() override {}
    void Unused33() override {}
    void Unused34() override {}
    void Unused35() override {}

    void OnRefusedValue(ValueQuantity quantity, std::string_view text, Refusal why) override;

private:
    struct Block {
        std::unique_ptr<std::byte[]> Bytes;
        std::size_t Capacity = 0;
        std::size_t Used = 0;
    };

    // Room for a record of size bytes in the current block, handing it over when it is full.
    std::byte* Reserve(std::size_t size);
    void HandOver(std::size_t size);
    Block NewBlock(std::size_t size);
    void PutWord(std::uint8_t kind, std::uint32_t argument);
    void PutDouble(Op op, double value);
    void PutText(Op op, const char16_t* text);

    void Work();
    void Replay(const Block& block);
    void ReplayRefusal(std::uint8_t quantity, std::uint8_t why, std::string_view text);
    void Drain();

    Plugin::IImportContext& Target;
    IRefusedValueSink* Refusals;
    const std::size_t BlockBytes;
    const std::size_t BlockCount;
    Block Current;  // written by the import thread only

    std::mutex Lock;
    std::condition_variable WorkReady;   // a full block, or the end
    std::condition_variable SpaceReady;  // a block came back, or the worker failed
    std::deque<Block> Full;
    std::vector<Block> Spare;
    std::size_t Blocks = 0;  // in existence, the current one included
    bool Stopping = false;
    std::exception_ptr Failure;
    std::thread Worker;
};

}  // namespace Host
