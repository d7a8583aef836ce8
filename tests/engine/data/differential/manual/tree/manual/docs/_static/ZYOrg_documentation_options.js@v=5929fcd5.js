var DOCUMENTATION_OPTIONS = {
    URL_ROOT: document.getElementById("documentation_options").getAttribute('data-url_root'),
    FILE_SUFFIX: ".html",
    HAS_SOURCE: true
};
