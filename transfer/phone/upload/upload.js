// Sends the chosen pictures to the program: first the count
// (POST /uploadTotalCount {"total_number": n}), then each picture in turn
// (POST /uploadfile {"returnCode": 0, "filename": name, "img": bare Base64}),
// waiting for each reply before the next. Only a 200 reply counts as received:
// the program refuses what is not a picture (415), a picture too large (413)
// and a picture it could not save (500). A refused picture is marked failed
// and the others are still sent; the status then says how many failed.
(function () {
  'use strict';

  var input = document.getElementById('files');
  var chosen = document.getElementById('chosen');
  var list = document.getElementById('list');
  var send = document.getElementById('send');
  var progress = document.getElementById('progress');
  var status = document.getElementById('status');

  function setStatus(text, kind) {
    status.textContent = text;
    status.className = 'status' + (kind ? ' ' + kind : '');
  }

  function post(path, body) {
    return fetch(path, {
      method: 'POST',
      headers: { 'Content-Type': 'application/json' },
      body: JSON.stringify(body)
    }).then(function (reply) {
      if (!reply.ok) throw new Error(refusal(reply.status));
    });
  }

  function refusal(status) {
    if (status === 413) return '图片太大';
    if (status === 415) return '不是图片';
    return '电脑没有收下 (' + status + ')';
  }

  // The file's bytes as bare Base64 (without the "data:...;base64," prefix).
  function readBase64(file) {
    return new Promise(function (resolve, reject) {
      var reader = new FileReader();
      reader.onload = function () {
        var url = String(reader.result);
        resolve(url.substring(url.indexOf(',') + 1));
      };
      reader.onerror = function () { reject(new Error('无法读取图片')); };
      reader.readAsDataURL(file);
    });
  }

  function showChoice() {
    var files = input.files;
    list.innerHTML = '';
    for (var i = 0; i < files.length; i++) {
      var item = document.createElement('li');
      var name = document.createElement('span');
      name.textContent = files[i].name;
      var mark = document.createElement('span');
      mark.className = 'mark';
      mark.textContent = '待上传';
      item.appendChild(name);
      item.appendChild(mark);
      list.appendChild(item);
    }
    chosen.textContent = files.length ? '已选择 ' + files.length + ' 张图片' : '还没有选择图片';
    send.disabled = files.length === 0;
    progress.style.width = '0';
    setStatus('');
  }

  function mark(index, kind, text) {
    var item = list.children[index];
    if (!item) return;
    item.className = kind;
    item.lastChild.textContent = text;
  }

  function upload() {
    var files = Array.prototype.slice.call(input.files);
    if (!files.length) return;
    send.disabled = true;
    input.disabled = true;
    setStatus('正在上传…');
    var sent = 0;
    var failed = [];
    var chain = post('/uploadTotalCount', { total_number: files.length });
    files.forEach(function (file, index) {
      chain = chain.then(function () {
        mark(index, '', '上传中…');
        return readBase64(file).then(function (img) {
          return post('/uploadfile', { returnCode: 0, filename: file.name, img: img });
        }).then(function () {
          sent += 1;
          mark(index, 'done', '✓ 已上传');
        }, function (error) {
          failed.push(error.message);
          mark(index, 'failed', '✗ 失败：' + error.message);
        }).then(function () {
          progress.style.width = ((sent + failed.length) * 100 / files.length) + '%';
        });
      });
    });
    chain.then(function () {
      if (failed.length === 0)
        setStatus('上传完成，请在电脑上点击“导入图片”', 'ok');
      else
        setStatus('上传失败：' + failed.length + ' 张图片没有上传（' + failed[0] + '），请重新选择后再试', 'error');
    }, function (error) {
      setStatus('上传失败：' + error.message + '，请重新选择后再试', 'error');
    }).then(function () {
      input.disabled = false;
      send.disabled = false;
    });
  }

  input.addEventListener('change', showChoice);
  send.addEventListener('click', upload);
}());
