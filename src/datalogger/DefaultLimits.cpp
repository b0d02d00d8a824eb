// The limit profile delivered with the program. It is copied into a workspace's Limits folder,
// where the technician may edit it; the copy compiled in here is only used when a workspace has
// no Limits folder at all (the command line never creates one).

#include "datalogger/Limits.h"

namespace Limits {

QString defaultProfileText()
{
    return QStringLiteral(R"(# Kelvatrone limit profile.
#
# Outlet levels of EN 60728-1 (Cable networks for television signals, sound signals and
# interactive services - Part 1: System performance of forward paths), as the standard's
# publicly published summaries give them for a system outlet. Levels are in dBuV (75 ohm);
# a logger in dBmV or dBm is converted before it is judged.
#
# Only the level windows are set. Minimum MER, minimum C/N, maximum pre-correction BER and
# the video-to-audio range depend on the network's own planning; no public source is given
# for them here, so they are left unset (not judged) rather than invented. Add them to a
# copy of this profile when the installation's contract states them.
#
# Format: NAME= and SOURCE= once; then one rule per line: RULE=name; KEY=value; ...
# Conditions (texts without letter case and blanks, a list separated by ","; "-" is a blank
# field, "*" any field that is not blank): MOD, ANNEX, SYS, SR; FREQ=MIN..MAX in MHz.
# Limits (MIN..MAX, either end may be empty): LEVEL (dBuV), MER (dB, minimum only),
# CN (dB, minimum only), BER (maximum only), VA (dB). The first rule that matches judges.
#
# How the meter's texts are read:
# - The meters this program knows log the modulation of a digital channel as QAM16 to QAM256
#   or QPSK, with its annex and symbol rate, and leave the modulation blank for an analog
#   channel, which has its system (PAL/BG, ...) instead.
# - QAM256 is only used on cable: it is judged as DVB-C 256-QAM whatever its annex text.
# - QAM64 may be a cable (DVB-C) or a terrestrial (DVB-T) channel. A cable channel is logged
#   with its symbol rate; a terrestrial (OFDM) channel has no single symbol rate and is logged
#   without one. So QAM64 with a symbol rate is DVB-C 64-QAM, and QAM64 without one is DVB-T.
# - QPSK and 8PSK are satellite channels (DVB-S/S2).
# - The texts COFDM, DVB-T, DVB-T2, T2, FM, FM-ST, FM STEREO and DAB are matched for meters
#   that log them; the meters this program knows do not.
# - QAM16, QAM32 and QAM128, and analog TV channels, have no window in the source named
#   here: their rules set no limit, so such channels are shown as not judged.

NAME=EN 60728-1 outlet levels
SOURCE=EN 60728-1, system outlet level limits as publicly published

RULE=DVB-C 256-QAM; MOD=QAM256; LEVEL=54..74
RULE=DVB-C 64-QAM; MOD=QAM64; SR=*; LEVEL=47..67
RULE=DVB-T 64-QAM 2/3; MOD=QAM64; SR=-; LEVEL=45..74
RULE=DVB-T 64-QAM 2/3 (OFDM); MOD=COFDM,OFDM,DVB-T; LEVEL=45..74
RULE=DVB-T2 64-QAM 2/3; MOD=DVB-T2,T2; LEVEL=39..74
RULE=DVB-S/S2; MOD=QPSK,8PSK,DVB-S,DVB-S2; LEVEL=47..77
RULE=FM radio, stereo; MOD=FM-ST,FMST,FM STEREO; LEVEL=50..70
RULE=FM radio; MOD=FM; LEVEL=40..70
RULE=DAB; MOD=DAB; LEVEL=28..94
RULE=Other QAM (no public window); MOD=QAM16,QAM32,QAM128
RULE=Analog TV (no public window); MOD=-; SYS=*
)");
}

}   // namespace Limits
