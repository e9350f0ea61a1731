// Random chunks of bytes, timer expiries, framing switches and requests into
// the main window's two receive handlers. Checks that the gathered state stays
// within its bounds whatever arrives.
#include "core/app_state.h"
#include "core/reply_gathering.h"
#include "fuzz/fuzz_support.h"
#include "support/scripted_line.h"

using namespace zu;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    VirtualClock clock;
    test::ScriptedLineFactory lines;
    PortDirectory pd;
    pd.set(1, QStringLiteral("a"));
    pd.set(2, QStringLiteral("b"));
    AppState state(clock, lines, pd);
    ReplyGathering g(state);
    g.ApdComPortMain.setComNumber(1);
    g.ApdComPortMain.setOpen(true);
    test::ScriptedLine* mainLine = lines.last;
    g.ApdComPort1.setComNumber(2);
    g.ApdComPort1.setOpen(true);
    test::ScriptedLine* recLine = lines.last;

    FuzzInput in{data, size};
    bool chain = false;
    auto protocolRequest = [&] { g.SendProtocolRequest({'?'}, 1 + in.byte() % 20); };
    auto recorderRequest = [&] { g.SendSampleRequest({'?'}); };
    auto bounded = [&] {
        FUZZ_CHECK(g.RecReceived().size() <= std::size_t(ReplyGathering::RecReceiveBufferSize));
        FUZZ_CHECK(g.ProtocolRxText().size() <= ReplyGathering::ProtocolRxTextLimit);
    };
    g.ProtocolReplyHandler = [&] {
        bounded();
        if (chain)
            protocolRequest(); // the next probe from inside the handler
    };
    g.HandleSampleReply = [&] {
        bounded();
        FUZZ_CHECK(g.RecReplyError == 0 || g.RecReplyError == 15);
        FUZZ_CHECK(!g.RecAwaitingReply);
        if (chain)
            recorderRequest();
    };

    while (!in.empty()) {
        const std::uint8_t op = in.byte();
        switch (op % 10) {
        case 0:
        case 1: {
            const QByteArray chunk = TakeChunk<QByteArray>(in, 128);
            (op % 10 == 0 ? mainLine : recLine)->push(chunk);
            clock.runDue();
            break;
        }
        case 2:
            clock.advance(in.byte() * 4);
            break;
        case 3:
            state.Com.RtuMode = !state.Com.RtuMode;
            break;
        case 4: {
            // An event the components would not send: any message, handle and count.
            const std::uint16_t msg = (in.byte() & 1) ? MsgDataAvailable : MsgTimerExpired;
            const std::uint16_t handle = in.byte();
            const std::uint16_t count = std::uint16_t(in.byte() * 3);
            if (in.byte() & 1)
                g.ApdComPortMainTrigger(msg, handle, count);
            else
                g.ApdComPort1Trigger(msg, handle, count);
            break;
        }
        case 5:
            protocolRequest();
            break;
        case 6:
            recorderRequest();
            break;
        case 7:
            g.RecTimeoutTicks = in.byte() % 20;
            break;
        case 8:
            chain = !chain;
            break;
        default:
            // The recorder closes and reopens its port.
            g.ApdComPort1.setOpen(false);
            g.ApdComPort1.setOpen(true);
            recLine = lines.last;
            break;
        }
        bounded();
    }
    clock.advance(5000);
    return 0;
}
