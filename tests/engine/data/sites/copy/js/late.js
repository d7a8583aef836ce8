document.addEventListener('DOMContentLoaded', function () {
  document.getElementById('late').style.background = '#08f';
});
