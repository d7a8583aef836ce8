// WebRTC is off in pages shown from disk: a page could otherwise send what
// it read to any address over a peer connection, which no request
// interceptor sees.
#pragma once

#include <QWebEngineScript>

namespace kaplo::gui {

// What a page's console says when it tried to open a peer connection,
// followed by the STUN/TURN addresses it named ("-" for none).
inline constexpr char kWebRtcRefused[] = "kaplo-refused webrtc ";

// The profile script that takes the peer connection away from every frame
// of a page from disk (and from the frames such a page makes).
QWebEngineScript WebRtcOffScript();

}  // namespace kaplo::gui
