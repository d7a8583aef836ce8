#include "gui/widgets/webrtc_guard.h"

namespace kaplo::gui {
namespace {

// Runs before any script of the page, in the page's world, in every frame
// but those of web pages. It replaces the peer connection constructors with
// one that says so on the console and throws. A frame that has not loaded a document of its own yet
// (an empty iframe a script just made, one written by document.write) gets
// no script of its own, so every way to such a window is covered here: the
// frame's load and insertion events, which fire before the inserting script
// goes on, the parser's insertions (seen before its next script runs), the
// contentWindow and contentDocument getters, document.write and window.open.
// Those windows are guarded the same way, recursively.
constexpr char kScript[] = R"JS((function () {
  'use strict';
  var log = console.log.bind(console);
  var guarded = new WeakSet();
  var natives = [];
  function servers(config) {
    var out = [];
    try {
      [].concat((config && config.iceServers) || []).forEach(function (s) {
        [].concat((s && (s.urls || s.url)) || []).forEach(function (u) { out.push(String(u)); });
      });
    } catch (e) {}
    return out.length ? out.join(' ') : '-';
  }
  function childWindow(el) {
    for (var i = 0; i < natives.length; ++i) {
      try { var w = natives[i].call(el); if (w) return w; } catch (e) {}
    }
    return null;
  }
  function guardTree(node) {
    if (!node || node.nodeType !== 1) return;
    var w = childWindow(node);
    if (w) guard(w);
    if (!node.querySelectorAll) return;
    var frames = node.querySelectorAll('iframe,frame,object');
    for (var i = 0; i < frames.length; ++i) {
      var c = childWindow(frames[i]);
      if (c) guard(c);
    }
  }
  function guard(w) {
    try {
      if (guarded.has(w)) return;
      guarded.add(w);
      var Ex = w.DOMException;
      var off = function RTCPeerConnection(config) {
        log('@MESSAGE@' + servers(config));
        throw new Ex('WebRTC is off for pages shown from disk', 'NotAllowedError');
      };
      ['RTCPeerConnection', 'webkitRTCPeerConnection'].forEach(function (n) {
        try {
          Object.defineProperty(w, n, {value: off, writable: false, configurable: false});
        } catch (e) {}
      });
      ['HTMLIFrameElement', 'HTMLFrameElement', 'HTMLObjectElement'].forEach(function (type) {
        var proto = w[type] && w[type].prototype;
        ['contentWindow', 'contentDocument'].forEach(function (name) {
          var d = proto && Object.getOwnPropertyDescriptor(proto, name);
          if (!d || !d.get) return;
          var get = d.get;
          if (name === 'contentWindow') natives.push(get);
          try {
            Object.defineProperty(proto, name, {configurable: false, enumerable: d.enumerable,
              get: function () { guardTree(this); return get.call(this); }});
          } catch (e) {}
        });
      });
      w.addEventListener('load', function (e) { guardTree(e.target); }, true);
      w.addEventListener('DOMNodeInserted', function (e) { guardTree(e.target); }, true);
      new w.MutationObserver(function (records) {
        records.forEach(function (r) { Array.prototype.forEach.call(r.addedNodes, guardTree); });
      }).observe(w.document, {childList: true, subtree: true});
      ['write', 'writeln'].forEach(function (name) {
        var f = w.Document.prototype[name];
        w.Document.prototype[name] = function () {
          var r = f.apply(this, arguments);
          guardTree(this.documentElement);
          return r;
        };
      });
      var open = w.open;
      w.open = function () {
        var c = open.apply(this, arguments);
        if (c) guard(c);
        return c;
      };
    } catch (e) {}
  }
  // Web pages keep theirs; only what comes from disk and what it makes.
  var scheme = location.protocol;
  if (scheme !== 'http:' && scheme !== 'https:') guard(window);
})();)JS";

}  // namespace

QWebEngineScript WebRtcOffScript() {
  QWebEngineScript script;
  script.setName(QStringLiteral("kaplo-webrtc-off"));
  script.setInjectionPoint(QWebEngineScript::DocumentCreation);
  // The page's own world: that is where its scripts look for the constructors.
  script.setWorldId(QWebEngineScript::MainWorld);
  script.setRunsOnSubFrames(true);
  script.setSourceCode(QString::fromLatin1(kScript).replace(QLatin1String("@MESSAGE@"),
                                                            QLatin1String(kWebRtcRefused)));
  return script;
}

}  // namespace kaplo::gui
