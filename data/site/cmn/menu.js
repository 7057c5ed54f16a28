// The site menu: a click on an entry with children opens or closes its list.
// Entries are <li id="L..."> with the class "clp" (closed) or "exp" (open);
// the list of an entry is <ul id="U..."> shown by its display style.
// A click inside a nested list reaches that list first: it only marks the click
// as handled, so that the entries around it stay as they are.
var fnTreeHandled = false;

function fnTree(id) {
  if (id === undefined) {
    fnTreeHandled = true;
    return;
  }
  if (fnTreeHandled) {
    fnTreeHandled = false;
    return;
  }
  var entry = document.getElementById('L' + id);
  var list = document.getElementById('U' + id);
  if (!entry || !list)
    return;
  if (entry.className === 'exp') {
    entry.className = 'clp';
    list.className = 'clp';
    list.style.display = 'none';
  } else {
    entry.className = 'exp';
    list.className = 'exp';
    list.style.display = 'block';
  }
}
