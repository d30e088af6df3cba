<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ja_JP">
<context>
    <name>kivo::app::CMainFrame</name>
    <message>
        <source>AMSR2</source>
        <translation>AMSR2</translation>
    </message>
    <message>
        <source>Open AMSR2 product files
Open(AMSR2)</source>
        <translation>AMSR2プロダクトを開きます
開く(AMSR2)</translation>
    </message>
    <message>
        <source>AMSR/AMSR-E</source>
        <translation>AMSR/AMSR-E</translation>
    </message>
    <message>
        <source>Open AMSR/AMSR-E product files
Open(AMSR/AMSR-E)</source>
        <translation>AMSR/AMSR-Eプロダクトを開きます
開く(AMSR/AMSR-E)</translation>
    </message>
    <message>
        <source>AMSR2 Output</source>
        <translation>AMSR2 HDF出力</translation>
    </message>
    <message>
        <source>Open an AMSR2 product to save an area as HDF
Open(AMSR2 Output)</source>
        <translation>範囲をHDFで保存するAMSR2プロダクトを開きます
開く(AMSR2 HDF出力)</translation>
    </message>
    <message>
        <source>Make an animation of AMSR2 products
Animation(AMSR2)</source>
        <translation>AMSR2プロダクトの動画を作成します
動画作成(AMSR2)</translation>
    </message>
    <message>
        <source>Make an animation of AMSR/AMSR-E products
Animation(AMSR/AMSR-E)</source>
        <translation>AMSR/AMSR-Eプロダクトの動画を作成します
動画作成(AMSR/AMSR-E)</translation>
    </message>
    <message>
        <source>Save as Image</source>
        <translation>画像形式で保存</translation>
    </message>
    <message>
        <source>Save the map as an image file
Save as Image</source>
        <translation>地図を画像ファイルに保存します
画像形式で保存</translation>
    </message>
    <message>
        <source>Save as KML(KMZ)</source>
        <translation>KML（KMZ）形式で保存</translation>
    </message>
    <message>
        <source>Save the map as a KML or KMZ file
Save as KML(KMZ)</source>
        <translation>地図をKMLまたはKMZファイルに保存します
KML（KMZ）形式で保存</translation>
    </message>
    <message>
        <source>Save as Binary</source>
        <translation>バイナリ形式で保存</translation>
    </message>
    <message>
        <source>Save the values as a binary file
Save as Binary</source>
        <translation>値をバイナリファイルに保存します
バイナリ形式で保存</translation>
    </message>
    <message>
        <source>Save value only</source>
        <translation>緯経度無し形式CSVファイル</translation>
    </message>
    <message>
        <source>Save the values as a CSV file
Save as CSV</source>
        <translation>値をCSVファイルに保存します
CSV形式で保存</translation>
    </message>
    <message>
        <source>Save value with Latitude and Longitude</source>
        <translation>緯経度値付き形式CSVファイル</translation>
    </message>
    <message>
        <source>Save the values with latitude and longitude as a CSV file
Save as CSV with Latitude and Longitude</source>
        <translation>値を緯度・経度付きでCSVファイルに保存します
緯経度値付きCSV形式で保存</translation>
    </message>
    <message>
        <source>Copy (Window)</source>
        <translation>表示画面全体をコピー</translation>
    </message>
    <message>
        <source>Copy the whole map window to the clipboard
Copy (Window)</source>
        <translation>地図画面全体をクリップボードにコピーします
表示画面全体をコピー</translation>
    </message>
    <message>
        <source>Copy (Selected Area)</source>
        <translation>選択範囲をコピー</translation>
    </message>
    <message>
        <source>Copy the selected area to the clipboard
Copy (Selected Area)</source>
        <translation>選択範囲をクリップボードにコピーします
選択範囲をコピー</translation>
    </message>
    <message>
        <source>Save as HDF</source>
        <translation>HDF形式で保存</translation>
    </message>
    <message>
        <source>Save the selected area as an HDF5 product
Save as HDF</source>
        <translation>選択範囲をHDF5プロダクトとして保存します
HDF形式で保存</translation>
    </message>
    <message>
        <source>Batch Processing</source>
        <translation>バッチ処理の実行</translation>
    </message>
    <message>
        <source>Run a batch command file
Batch Processing</source>
        <translation>バッチコマンドファイルを実行します
バッチ処理の実行</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>アプリケーションの終了</translation>
    </message>
    <message>
        <source>Quit the application
Quit</source>
        <translation>アプリケーションを終了します
終了</translation>
    </message>
    <message>
        <source>Tool Bar</source>
        <translation>ツール バー(&amp;T)</translation>
    </message>
    <message>
        <source>Show or hide the tool bar
Tool Bar</source>
        <translation>ツール バーの表示/非表示を切り替えます
ツール バー</translation>
    </message>
    <message>
        <source>Status Bar</source>
        <translation>ステータス バー(&amp;S)</translation>
    </message>
    <message>
        <source>Show or hide the status bar
Status Bar</source>
        <translation>ステータス バーの表示/非表示を切り替えます
ステータス バー</translation>
    </message>
    <message>
        <source>Automatic Adjustment</source>
        <translation>拡大全体表示</translation>
    </message>
    <message>
        <source>Fit the map to the window
Automatic Adjustment</source>
        <translation>地図を画面に合わせて拡大します
拡大全体表示</translation>
    </message>
    <message>
        <source>Zoom In</source>
        <translation>拡大</translation>
    </message>
    <message>
        <source>Magnify the map twice
Zoom In</source>
        <translation>地図を2倍に拡大します
拡大</translation>
    </message>
    <message>
        <source>Zoom Out</source>
        <translation>縮小</translation>
    </message>
    <message>
        <source>Reduce the map to half
Zoom Out</source>
        <translation>地図を半分に縮小します
縮小</translation>
    </message>
    <message>
        <source>Reset Image Window</source>
        <translation>表示リセット</translation>
    </message>
    <message>
        <source>Show the whole map
Reset Image Window</source>
        <translation>地図全体を表示します
表示リセット</translation>
    </message>
    <message>
        <source>Back to Previous</source>
        <translation>前画面に戻す</translation>
    </message>
    <message>
        <source>Return to the previous screen
Back to Previous</source>
        <translation>前の画面に戻します
前画面に戻す</translation>
    </message>
    <message>
        <source>Equidistant Geographic</source>
        <translation>等緯経度</translation>
    </message>
    <message>
        <source>Equidistant geographic projection
Equidistant Geographic</source>
        <translation>等緯経度図法で表示します
等緯経度</translation>
    </message>
    <message>
        <source>Orthographic</source>
        <translation>地球正射</translation>
    </message>
    <message>
        <source>Orthographic projection
Orthographic</source>
        <translation>地球正射図法で表示します
地球正射</translation>
    </message>
    <message>
        <source>Northern Hemisphere</source>
        <translation>北半球</translation>
    </message>
    <message>
        <source>Polar stereographic projection of the northern hemisphere
Northern Hemisphere</source>
        <translation>北半球を極ステレオ図法で表示します
北半球</translation>
    </message>
    <message>
        <source>Southern Hemisphere</source>
        <translation>南半球</translation>
    </message>
    <message>
        <source>Polar stereographic projection of the southern hemisphere
Southern Hemisphere</source>
        <translation>南半球を極ステレオ図法で表示します
南半球</translation>
    </message>
    <message>
        <source>Both</source>
        <translation>両方</translation>
    </message>
    <message>
        <source>Both polar stereographic hemispheres
Both Hemispheres</source>
        <translation>両半球を極ステレオ図法で表示します
両方</translation>
    </message>
    <message>
        <source>0°</source>
        <translation>0°</translation>
    </message>
    <message>
        <source>Standard longitude 0°
Standard longitude 0°</source>
        <translation>基準経度 0°
基準経度 0°</translation>
    </message>
    <message>
        <source>45°</source>
        <translation>45°</translation>
    </message>
    <message>
        <source>Standard longitude 45°
Standard longitude 45°</source>
        <translation>基準経度 45°
基準経度 45°</translation>
    </message>
    <message>
        <source>90°</source>
        <translation>90°</translation>
    </message>
    <message>
        <source>Standard longitude 90°
Standard longitude 90°</source>
        <translation>基準経度 90°
基準経度 90°</translation>
    </message>
    <message>
        <source>135°</source>
        <translation>135°</translation>
    </message>
    <message>
        <source>Standard longitude 135°
Standard longitude 135°</source>
        <translation>基準経度 135°
基準経度 135°</translation>
    </message>
    <message>
        <source>180°</source>
        <translation>180°</translation>
    </message>
    <message>
        <source>Standard longitude 180°
Standard longitude 180°</source>
        <translation>基準経度 180°
基準経度 180°</translation>
    </message>
    <message>
        <source>-135°</source>
        <translation>-135°</translation>
    </message>
    <message>
        <source>Standard longitude -135°
Standard longitude -135°</source>
        <translation>基準経度 -135°
基準経度 -135°</translation>
    </message>
    <message>
        <source>-90°</source>
        <translation>-90°</translation>
    </message>
    <message>
        <source>Standard longitude -90°
Standard longitude -90°</source>
        <translation>基準経度 -90°
基準経度 -90°</translation>
    </message>
    <message>
        <source>-45°</source>
        <translation>-45°</translation>
    </message>
    <message>
        <source>Standard longitude -45°
Standard longitude -45°</source>
        <translation>基準経度 -45°
基準経度 -45°</translation>
    </message>
    <message>
        <source>Mercator Geographic</source>
        <translation>メルカトル</translation>
    </message>
    <message>
        <source>Mercator projection
Mercator Geographic</source>
        <translation>メルカトル図法で表示します
メルカトル</translation>
    </message>
    <message>
        <source>Meta Data</source>
        <translation>メタデータ</translation>
    </message>
    <message>
        <source>List the metadata of the shown files
Meta Data</source>
        <translation>表示中のファイルのメタデータを一覧します
メタデータ</translation>
    </message>
    <message>
        <source>Vertical</source>
        <translation>縦</translation>
    </message>
    <message>
        <source>Show the color bar vertically at the right
Vertical Color Bar</source>
        <translation>カラーバーを右端に縦に表示します
カラーバー縦</translation>
    </message>
    <message>
        <source>Horizontal</source>
        <translation>横</translation>
    </message>
    <message>
        <source>Show the color bar horizontally
Horizontal Color Bar</source>
        <translation>カラーバーを横に表示します
カラーバー横</translation>
    </message>
    <message>
        <source>ZOOM Mode</source>
        <translation>拡大モード</translation>
    </message>
    <message>
        <source>Click or drag to zoom
ZOOM Mode</source>
        <translation>クリックまたはドラッグで拡大します
拡大モード</translation>
    </message>
    <message>
        <source>PAN Mode</source>
        <translation>移動モード</translation>
    </message>
    <message>
        <source>Drag to move the map
PAN Mode</source>
        <translation>ドラッグで地図を移動します
移動モード</translation>
    </message>
    <message>
        <source>SELECT Mode</source>
        <translation>範囲指定モード</translation>
    </message>
    <message>
        <source>Drag to select an area
SELECT Mode</source>
        <translation>ドラッグで範囲を指定します
範囲指定モード</translation>
    </message>
    <message>
        <source>Select Area</source>
        <translation>選択範囲数値指定</translation>
    </message>
    <message>
        <source>Select an area by latitude and longitude
Select Area</source>
        <translation>緯度・経度を入力して範囲を指定します
選択範囲数値指定</translation>
    </message>
    <message>
        <source>Batch Command History</source>
        <translation>バッチコマンド履歴</translation>
    </message>
    <message>
        <source>Show or hide the batch command history
Batch Command History</source>
        <translation>バッチコマンド履歴の表示/非表示を切り替えます
バッチコマンド履歴</translation>
    </message>
    <message>
        <source>Edit Color Bar Table</source>
        <translation>擬似カラーテーブル設定</translation>
    </message>
    <message>
        <source>Edit the color table
Edit Color Bar Table</source>
        <translation>擬似カラーテーブルを編集します
擬似カラーテーブル設定</translation>
    </message>
    <message>
        <source>Edit Look Up Table</source>
        <translation>ルックアップテーブル設定</translation>
    </message>
    <message>
        <source>Edit the look-up table
Edit Look Up Table</source>
        <translation>ルックアップテーブルを編集します
ルックアップテーブル設定</translation>
    </message>
    <message>
        <source>User Setting</source>
        <translation>ユーザ設定</translation>
    </message>
    <message>
        <source>Edit the user settings
User Setting</source>
        <translation>ユーザ設定を変更します
ユーザ設定</translation>
    </message>
    <message>
        <source>Image Output Setting</source>
        <translation>画像出力設定</translation>
    </message>
    <message>
        <source>Edit the image output settings
Image Output Setting</source>
        <translation>画像出力設定を変更します
画像出力設定</translation>
    </message>
    <message>
        <source>Map Layer Setting</source>
        <translation>地図レイヤ設定</translation>
    </message>
    <message>
        <source>Edit the map layer settings
Map Layer Setting</source>
        <translation>地図レイヤ設定を変更します
地図レイヤ設定</translation>
    </message>
    <message>
        <source>Map File Setting</source>
        <translation>地図ファイル設定</translation>
    </message>
    <message>
        <source>Edit the map file settings
Map File Setting</source>
        <translation>地図ファイル設定を変更します
地図ファイル設定</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>ヘルプ</translation>
    </message>
    <message>
        <source>Open the manual
Help</source>
        <translation>マニュアルを開きます
ヘルプ</translation>
    </message>
    <message>
        <source>Related link</source>
        <translation>関連リンク</translation>
    </message>
    <message>
        <source>Open the page of related links
Related link</source>
        <translation>関連リンクのページを開きます
関連リンク</translation>
    </message>
    <message>
        <source>Version Information</source>
        <translation>バージョン情報</translation>
    </message>
    <message>
        <source>Show the version of the program
Version Information</source>
        <translation>プログラムのバージョンを表示します
バージョン情報</translation>
    </message>
    <message>
        <source>Move Right</source>
        <translation>右移動</translation>
    </message>
    <message>
        <source>Move (rotate) the image right
Move Right</source>
        <translation>画像を右回転
右移動</translation>
    </message>
    <message>
        <source>Move Left</source>
        <translation>左移動</translation>
    </message>
    <message>
        <source>Move (rotate) the image left
Move Left</source>
        <translation>画像を左回転
左移動</translation>
    </message>
    <message>
        <source>Move Up</source>
        <translation>上移動</translation>
    </message>
    <message>
        <source>Move the image up
Move Up</source>
        <translation>画像を上に移動
上移動</translation>
    </message>
    <message>
        <source>Move Down</source>
        <translation>下移動</translation>
    </message>
    <message>
        <source>Move the image down
Move Down</source>
        <translation>画像を下に移動
下移動</translation>
    </message>
    <message>
        <source>Return to the previous display position
Back to Previous</source>
        <translation>画像を元の表示位置に戻す
前画面に戻す</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>ファイル(&amp;F)</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>開く</translation>
    </message>
    <message>
        <source>Animation</source>
        <translation>動画作成</translation>
    </message>
    <message>
        <source>Save as CSV</source>
        <translation>CSV形式で保存</translation>
    </message>
    <message>
        <source>Copy to Clipboard</source>
        <translation>クリップボードへコピー</translation>
    </message>
    <message>
        <source>&amp;View</source>
        <translation>表示(&amp;V)</translation>
    </message>
    <message>
        <source>Zoom</source>
        <translation>ズーム</translation>
    </message>
    <message>
        <source>Map Projection</source>
        <translation>地図投影</translation>
    </message>
    <message>
        <source>Polar Stereo Geographic</source>
        <translation>極ステレオ</translation>
    </message>
    <message>
        <source>Standard longitude</source>
        <translation>基準経度</translation>
    </message>
    <message>
        <source>Color Bar Position</source>
        <translation>カラーバー位置</translation>
    </message>
    <message>
        <source>&amp;Option</source>
        <translation>オプション(&amp;O)</translation>
    </message>
    <message>
        <source>Preferences</source>
        <translation>環境設定</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>ヘルプ(&amp;H)</translation>
    </message>
    <message>
        <source>Color Table</source>
        <translation>カラーテーブル</translation>
    </message>
    <message>
        <source>A viewer and converter of passive-microwave radiometer products.</source>
        <translation>受動マイクロ波放射計プロダクトの表示・変換プログラム</translation>
    </message>
    <message>
        <source>Save as GeoTIFF</source>
        <translation>GeoTIFF形式で保存</translation>
    </message>
    <message>
        <source>Save the value grid as a georeferenced GeoTIFF file
Save as GeoTIFF</source>
        <translation>値のグリッドを地理座標付きGeoTIFFファイルに保存します
GeoTIFF形式で保存</translation>
    </message>
    <message>
        <source>Doc/KIVOMeriview_Manual_EN.html</source>
        <translation>Doc/KIVOMeriview_Manual_JP.html</translation>
    </message>
    <message>
        <source>Create Animation AMSR2</source>
        <translation>AMSR2 動画作成</translation>
    </message>
    <message>
        <source>Create Animation AMSR-E</source>
        <translation>AMSR-E 動画作成</translation>
    </message>
</context>
<context>
    <name>kivo::app::ComBatchRunner</name>
    <message>
        <source>Batch processing: line %1 of %2</source>
        <translation>バッチ処理: %2 行中 %1 行目</translation>
    </message>
</context>
<context>
    <name>kivo::app::ComClrCnfg</name>
    <message>
        <source>Linear</source>
        <translation>線形</translation>
    </message>
    <message>
        <source>Log</source>
        <translation>対数</translation>
    </message>
    <message>
        <source>Count Value</source>
        <translation>カウント値</translation>
    </message>
    <message>
        <source>RGB Value</source>
        <translation>RGB値</translation>
    </message>
    <message>
        <source>Interpolation</source>
        <translation>補間</translation>
    </message>
    <message>
        <source>Get Max / Min</source>
        <translation>最大値／最小値取得</translation>
    </message>
    <message>
        <source>Get 3-sigma</source>
        <translation>3σ取得</translation>
    </message>
    <message>
        <source>Ref..</source>
        <translation>参照</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>保存</translation>
    </message>
    <message>
        <source>File Name</source>
        <translation>ファイル名</translation>
    </message>
    <message>
        <source>Look Up Table Files (*.lut)</source>
        <translation>ルックアップテーブルファイル (*.lut)</translation>
    </message>
    <message>
        <source>Color Table Files (*.clt)</source>
        <translation>カラーテーブルファイル (*.clt)</translation>
    </message>
    <message>
        <source>All Files (*)</source>
        <translation>すべてのファイル (*)</translation>
    </message>
</context>
<context>
    <name>kivo::app::ComCmdBatchBar</name>
    <message>
        <source>Save</source>
        <translation>コマンド履歴保存</translation>
    </message>
    <message>
        <source>Clear</source>
        <translation>クリア</translation>
    </message>
</context>
<context>
    <name>kivo::app::ComFlOpnView</name>
    <message>
        <source>Add...</source>
        <translation>追加...</translation>
    </message>
    <message>
        <source>Remove</source>
        <translation>削除</translation>
    </message>
    <message>
        <source>Level</source>
        <translation>レベル</translation>
    </message>
    <message>
        <source>Single Channel</source>
        <translation>シングルチャンネル</translation>
    </message>
    <message>
        <source>RGB Composite</source>
        <translation>RGB合成</translation>
    </message>
    <message>
        <source>Channel</source>
        <translation>チャンネル</translation>
    </message>
    <message>
        <source>R Channel</source>
        <translation>Rチャンネル</translation>
    </message>
    <message>
        <source>G Channel</source>
        <translation>Gチャンネル</translation>
    </message>
    <message>
        <source>B Channel</source>
        <translation>Bチャンネル</translation>
    </message>
    <message>
        <source>Color Table</source>
        <translation>カラーテーブル</translation>
    </message>
    <message>
        <source>The channel shown on the map</source>
        <translation>地図に表示するチャンネル</translation>
    </message>
    <message>
        <source>The channel shown in red</source>
        <translation>赤で表示するチャンネル</translation>
    </message>
    <message>
        <source>The channel shown in green</source>
        <translation>緑で表示するチャンネル</translation>
    </message>
    <message>
        <source>The channel shown in blue</source>
        <translation>青で表示するチャンネル</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>開く</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>キャンセル</translation>
    </message>
    <message>
        <source>AMSR2 Files(*.h5)|*.h5|All Files(*.*)|*.*||</source>
        <translation>AMSR2ファイル(*.h5)|*.h5|すべてのファイル(*.*)|*.*||</translation>
    </message>
    <message>
        <source>AMSR/AMSR-E Files(*.00)|*.00|All Files(*.*)|*.*||</source>
        <translation>AMSR/AMSR-Eファイル(*.00)|*.00|すべてのファイル(*.*)|*.*||</translation>
    </message>
</context>
<context>
    <name>kivo::app::ComImgOutConf</name>
    <message>
        <source>Title</source>
        <translation>タイトル</translation>
    </message>
    <message>
        <source>Show the title</source>
        <translation>タイトルを表示する</translation>
    </message>
    <message>
        <source>Position</source>
        <translation>位置</translation>
    </message>
    <message>
        <source>Left</source>
        <translation>左</translation>
    </message>
    <message>
        <source>Center</source>
        <translation>中央</translation>
    </message>
    <message>
        <source>Right</source>
        <translation>右</translation>
    </message>
    <message>
        <source>ColorBar</source>
        <translation>カラーバー</translation>
    </message>
    <message>
        <source>Show the color bar</source>
        <translation>カラーバーを表示する</translation>
    </message>
    <message>
        <source>Flipped Color Bar</source>
        <translation>カラーバーを反転する</translation>
    </message>
    <message>
        <source>Background</source>
        <translation>背景</translation>
    </message>
    <message>
        <source>Map Background</source>
        <translation>地図背景表示</translation>
    </message>
</context>
<context>
    <name>kivo::app::ComIndiClrChc</name>
    <message>
        <source>Select...</source>
        <translation>選択...</translation>
    </message>
</context>
<context>
    <name>kivo::app::ComMapConf</name>
    <message>
        <source>Map layers</source>
        <translation>地図レイヤ</translation>
    </message>
    <message>
        <source>Line width</source>
        <translation>線の太さ</translation>
    </message>
    <message>
        <source>Coast Line Type</source>
        <translation>海岸線の太さ</translation>
    </message>
    <message>
        <source>Latitude Longitude Line Type</source>
        <translation>緯度経度線の太さ</translation>
    </message>
    <message>
        <source>Line spacing</source>
        <translation>線の間隔</translation>
    </message>
    <message>
        <source>Latitude Longitude Width</source>
        <translation>緯度経度間隔指定</translation>
    </message>
    <message>
        <source>Latitude Width</source>
        <translation>緯度線の間隔</translation>
    </message>
    <message>
        <source>Longitude Width</source>
        <translation>経度線の間隔</translation>
    </message>
    <message>
        <source>Latitude/Longitude Lines</source>
        <translation>緯度経度線表示</translation>
    </message>
    <message>
        <source>Equator</source>
        <translation>赤道表示</translation>
    </message>
    <message>
        <source>Map Background</source>
        <translation>地図背景表示</translation>
    </message>
</context>
<context>
    <name>kivo::app::ComMapFileConf</name>
    <message>
        <source>All Files (*.*)</source>
        <translation>すべてのファイル (*.*)</translation>
    </message>
    <message>
        <source>Coastline files</source>
        <translation>海岸線ファイル</translation>
    </message>
    <message>
        <source>Fix</source>
        <translation>固定</translation>
    </message>
    <message>
        <source>Automatic</source>
        <translation>自動</translation>
    </message>
    <message>
        <source>Ref...</source>
        <translation>参照</translation>
    </message>
    <message>
        <source>Map file</source>
        <translation>地図ファイル</translation>
    </message>
    <message>
        <source>Magnification 1 to under 8</source>
        <translation>拡大率1～8未満</translation>
    </message>
    <message>
        <source>Magnification 8 to 256</source>
        <translation>拡大率8～256</translation>
    </message>
</context>
<context>
    <name>kivo::app::ComMetaDataDlg</name>
    <message>
        <source>Close</source>
        <translation>閉じる</translation>
    </message>
</context>
<context>
    <name>kivo::app::ComMkMoveView</name>
    <message>
        <source>Add ...</source>
        <translation>追加 ...</translation>
    </message>
    <message>
        <source>Remove</source>
        <translation>削除</translation>
    </message>
    <message>
        <source>Move the selected file up</source>
        <translation>選択したファイルを上へ移動します</translation>
    </message>
    <message>
        <source>Move the selected file down</source>
        <translation>選択したファイルを下へ移動します</translation>
    </message>
    <message>
        <source>Level</source>
        <translation>レベル</translation>
    </message>
    <message>
        <source>Channel</source>
        <translation>チャンネル</translation>
    </message>
    <message>
        <source>Color Table</source>
        <translation>カラーテーブル</translation>
    </message>
    <message>
        <source>Animation File</source>
        <translation>動画ファイル</translation>
    </message>
    <message>
        <source>Ref</source>
        <translation>参照</translation>
    </message>
    <message>
        <source>Animation Config</source>
        <translation>動画出力設定</translation>
    </message>
    <message>
        <source>Select</source>
        <translation>選択</translation>
    </message>
    <message>
        <source>Make</source>
        <translation>作成</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>キャンセル</translation>
    </message>
    <message>
        <source>AMSR2 Files(*.h5)|*.h5|All Files(*.*)|*.*||</source>
        <translation>AMSR2ファイル(*.h5)|*.h5|すべてのファイル(*.*)|*.*||</translation>
    </message>
    <message>
        <source>AMSR/AMSR-E Files(*.00)|*.00|All Files(*.*)|*.*||</source>
        <translation>AMSR/AMSR-Eファイル(*.00)|*.00|すべてのファイル(*.*)|*.*||</translation>
    </message>
    <message>
        <source>Movie (*.avi)|*.avi|Google Earth (*.kml)|*.kml|Google Earth (*.kmz)|*.kmz||</source>
        <translation>動画 (*.avi)|*.avi|Google Earth (*.kml)|*.kml|Google Earth (*.kmz)|*.kmz||</translation>
    </message>
    <message>
        <source>Movie (*.avi)|*.avi||</source>
        <translation>動画 (*.avi)|*.avi||</translation>
    </message>
</context>
<context>
    <name>kivo::app::ComMovOutConf</name>
    <message>
        <source>Animation output setting </source>
        <translation>動画出力設定</translation>
    </message>
    <message>
        <source>Captions</source>
        <translation>表示文字</translation>
    </message>
    <message>
        <source>Title</source>
        <translation>タイトル</translation>
    </message>
    <message>
        <source>Position</source>
        <translation>位置</translation>
    </message>
    <message>
        <source>Left</source>
        <translation>左</translation>
    </message>
    <message>
        <source>Center</source>
        <translation>中央</translation>
    </message>
    <message>
        <source>Right</source>
        <translation>右</translation>
    </message>
    <message>
        <source>File Name</source>
        <translation>ファイル名</translation>
    </message>
    <message>
        <source>Upper</source>
        <translation>上</translation>
    </message>
    <message>
        <source>Lower</source>
        <translation>下</translation>
    </message>
    <message>
        <source>ColorBar</source>
        <translation>カラーバー</translation>
    </message>
    <message>
        <source>Flipped Color Bar</source>
        <translation>カラーバーを反転する</translation>
    </message>
    <message>
        <source>Number of frames per second</source>
        <translation>1秒あたりのフレーム数</translation>
    </message>
    <message>
        <source>Map layers</source>
        <translation>地図レイヤ</translation>
    </message>
    <message>
        <source>Latitude/Longitude Lines</source>
        <translation>緯度経度線表示</translation>
    </message>
    <message>
        <source>Equator</source>
        <translation>赤道表示</translation>
    </message>
    <message>
        <source>Map Background</source>
        <translation>地図背景表示</translation>
    </message>
</context>
<context>
    <name>kivo::app::ComPrdctMpDsp</name>
    <message>
        <source>Animation: file %1 of %2, %3 frames written</source>
        <translation>動画作成: %2 ファイル中 %1 ファイル目、%3 フレーム出力済み</translation>
    </message>
</context>
<context>
    <name>kivo::app::ComPropConf</name>
    <message>
        <source>User setting </source>
        <translation>ユーザ設定</translation>
    </message>
    <message>
        <source>Image output setting </source>
        <translation>画像出力設定</translation>
    </message>
    <message>
        <source>Map layer setting</source>
        <translation>地図レイヤ設定</translation>
    </message>
    <message>
        <source>Map File Mode</source>
        <translation>地図ファイル設定</translation>
    </message>
</context>
<context>
    <name>kivo::app::ComSelectArea</name>
    <message>
        <source>Select Area</source>
        <translation>選択範囲数値指定</translation>
    </message>
    <message>
        <source>Upper Left</source>
        <translation>左上</translation>
    </message>
    <message>
        <source>Lower Right</source>
        <translation>右下</translation>
    </message>
    <message>
        <source>Latitude</source>
        <translation>緯度</translation>
    </message>
    <message>
        <source>Longitude</source>
        <translation>経度</translation>
    </message>
</context>
<context>
    <name>kivo::app::ComShrClrChc</name>
    <message>
        <source>Coast</source>
        <translation>海岸線表示</translation>
    </message>
    <message>
        <source>Order</source>
        <translation>順序</translation>
    </message>
    <message>
        <source>Front</source>
        <translation>前面に表示</translation>
    </message>
    <message>
        <source>Back</source>
        <translation>背面に表示</translation>
    </message>
    <message>
        <source>Select...</source>
        <translation>選択...</translation>
    </message>
</context>
<context>
    <name>kivo::app::ComTblEditor</name>
    <message>
        <source>Red</source>
        <translation>赤</translation>
    </message>
    <message>
        <source>Green</source>
        <translation>緑</translation>
    </message>
    <message>
        <source>Blue</source>
        <translation>青</translation>
    </message>
    <message>
        <source>Edit Look Up Table</source>
        <translation>ルックアップテーブル設定</translation>
    </message>
    <message>
        <source>Edit Color Bar Table</source>
        <translation>擬似カラーテーブル設定</translation>
    </message>
    <message>
        <source>2 Point</source>
        <translation>2ポイント</translation>
    </message>
    <message>
        <source>3 Point</source>
        <translation>3ポイント</translation>
    </message>
    <message>
        <source>5 Point</source>
        <translation>5ポイント</translation>
    </message>
    <message>
        <source>9 Point</source>
        <translation>9ポイント</translation>
    </message>
    <message>
        <source>Line Graph</source>
        <translation>折れ線グラフ</translation>
    </message>
    <message>
        <source>Bar Graph</source>
        <translation>棒グラフ</translation>
    </message>
    <message>
        <source>No of Points</source>
        <translation>ポイント数</translation>
    </message>
    <message>
        <source>No of Point</source>
        <translation>ポイント数</translation>
    </message>
    <message>
        <source>Graph Type</source>
        <translation>グラフタイプ</translation>
    </message>
    <message>
        <source>Color Bar Table Title / Unit</source>
        <translation>カラーバーのタイトル／単位</translation>
    </message>
    <message>
        <source>Count</source>
        <translation>カウント値</translation>
    </message>
</context>
<context>
    <name>kivo::app::ComUserConf</name>
    <message>
        <source>Big Endian</source>
        <translation>ビッグエンディアン</translation>
    </message>
    <message>
        <source>Little Endian</source>
        <translation>リトルエンディアン</translation>
    </message>
    <message>
        <source>Maximum number of input files</source>
        <translation>最大ファイル数</translation>
    </message>
    <message>
        <source>Byte order</source>
        <translation>バイトオーダー</translation>
    </message>
    <message>
        <source>Number of digits for decimal fraction</source>
        <translation>小数点以下の桁数</translation>
    </message>
    <message>
        <source>Number of columns which are included in a line</source>
        <translation>改行するカラム数</translation>
    </message>
    <message>
        <source>Value of invalid data (Signed)</source>
        <translation>欠測データの値（符号有り）</translation>
    </message>
    <message>
        <source>Value of invalid data (Unsigned)</source>
        <translation>欠測データの値（符号無し）</translation>
    </message>
</context>
<context>
    <name>kivo::app::OutputDialogs</name>
    <message>
        <source>HDF5 Files (*.h5)|*.h5||</source>
        <translation>HDF5ファイル (*.h5)|*.h5||</translation>
    </message>
    <message>
        <source>Jpeg Files (*.jpg)|*.jpg|Tiff Files (*.tif)|*.tiff|Bitmap Files (*.bmp)|*.bmp|PNG Files (*.png)|*.png||</source>
        <translation>JPEGファイル (*.jpg)|*.jpg|TIFFファイル (*.tif)|*.tiff|ビットマップファイル (*.bmp)|*.bmp|PNGファイル (*.png)|*.png||</translation>
    </message>
    <message>
        <source>KML File (*.kml)|*.kml|KMZ File (*.kmz)|*.kmz||</source>
        <translation>KMLファイル (*.kml)|*.kml|KMZファイル (*.kmz)|*.kmz||</translation>
    </message>
    <message>
        <source>CSV Files (*.csv)|*.csv||</source>
        <translation>CSVファイル (*.csv)|*.csv||</translation>
    </message>
    <message>
        <source>Bin Files (*.bin)|*.bin||</source>
        <translation>バイナリファイル (*.bin)|*.bin||</translation>
    </message>
    <message>
        <source>GeoTIFF Files (*.tif)|*.tif||</source>
        <translation>GeoTIFFファイル (*.tif)|*.tif||</translation>
    </message>
</context>
</TS>
