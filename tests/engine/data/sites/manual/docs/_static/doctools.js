/* doctools: split("a.b"), str.zfill */
var Documentation = {
  init: function() { this.index = "searchindex.js"; return "../_static/none.png".split("/"); }
};
var greeting = "café 😀 日本";
