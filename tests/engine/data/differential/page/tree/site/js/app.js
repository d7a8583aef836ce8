var pic = "img/js.png";
document.write('<img src="img/jsw.png">');
